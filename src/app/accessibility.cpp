#include "accessibility.h"

#include "app/form1.h"
#include "app/plotaccessible.h"

#include <QAbstractButton>
#include <QLabel>

#include <algorithm>

namespace trevanto {

namespace {

// What a screen reader says of the window and each control, found by object name. A
// null name stands for the caption or title, as it reads on the screen.
struct Description
{
    const char *object;
    const char16_t *name;
    const char16_t *description;
};

constexpr Description Descriptions[] = {
    {"Form1", nullptr, u"Desenho do percurso do rali de bússola"},
    {"List2", u"Direção", u"Lista das direções dos trechos, em graus"},
    {"List1", u"Metragem", u"Lista das metragens dos trechos, em metros"},
    {"Text4", u"Direção do próximo trecho", u"Direção em graus, de 0 a 359, do trecho a incluir"},
    {"Text3", u"Metragem do próximo trecho", u"Distância em metros do trecho a incluir"},
    {"Command1", nullptr, u"Inclui o próximo trecho no fim do percurso"},
    {"Command2", nullptr, u"Exclui o último trecho do percurso"},
    {"Command3", nullptr, u"Desenha o percurso de novo"},
    {"Command4", nullptr, u"Imprime a janela na impressora padrão"},
    {"Command6", nullptr, u"Abre a janela de ajuda"},
    {"Command5", nullptr, u"Grava o trabalho e encerra o programa"},
    {"Text2", u"Zoom", u"Escala do desenho"},
    {"UpDown1", u"Zoom", u"Setas que aumentam e diminuem a escala do desenho"},
    {"upArrow", u"Aumentar zoom", u"Aumenta a escala do desenho e desenha de novo"},
    {"downArrow", u"Diminuir zoom", u"Diminui a escala do desenho e desenha de novo"},
    {"Label1", nullptr, u"Título da caixa de zoom"},
    {"Label3", nullptr, u"Título da coluna das metragens"},
    {"Label4", nullptr, u"Título da coluna das direções"},
    {"Label5", nullptr, u"Nome do programa"},
    {"Label6", nullptr, u"Nome da organização"},
    {"Label7", nullptr, u"Endereço do site da organização"},
    {"Label8", nullptr, u"Contato para ajuda"},
    {"Picture1", u"marco de início", u"quadrado vermelho; arraste para mover o percurso"},
    {"Picture2", u"indicador do norte", u"seta para cima sobre a letra N: o norte fica no alto da janela"},
    {"Image1", u"logotipo da Pervona", u"abre o site da Pervona no navegador"},
};

// Drawn for the eye only, and hidden from screen readers: the rules under the title
// and under the site's address, and the outline that follows the pointer while the
// start marker is dragged, shown or not. A drag is the mouse's alone, and where the
// marker lands is the marker's own place once it is dropped.
constexpr const char *Decorative[] = {"Line1", "Line2", "dragOutline"};

QString caption(const QWidget *widget)
{
    if (widget->isWindow())
        return widget->windowTitle();
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text().trimmed();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    return {};
}

} // namespace

bool isDecorative(const QObject &object)
{
    if (!qobject_cast<const Form1 *>(object.parent()))
        return false;
    return std::ranges::any_of(Decorative, [&](const char *name) { return object.objectName() == QLatin1String(name); });
}

void describeForAccessibility(Form1 &form)
{
    for (const Description &row : Descriptions) {
        const QString object = QString::fromLatin1(row.object);
        QWidget *widget = object == form.objectName() ? &form : form.findChild<QWidget *>(object);
        Q_ASSERT(widget);
        widget->setAccessibleName(row.name ? QString::fromUtf16(row.name) : caption(widget));
        widget->setAccessibleDescription(QString::fromUtf16(row.description));
    }
    QObject::connect(&form, &Form1::bearingLabelsRedrawn, &form, [&form] { bearingLabelsChanged(form); });
}

} // namespace trevanto
