#include "form1layout.h"

#include "app/logoimage.h"
#include "app/marker.h"
#include "app/updown.h"
#include "common/fonts.h"
#include "help/organisation.h"
#include "workfile/workfile.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>

QIcon programIcon()
{
    QIcon icon(QStringLiteral(":/icon.svg"));
    icon.addFile(QStringLiteral(":/icon-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icon-32.png"), QSize(32, 32));
    return icon;
}

namespace {

// A label as wide and as high as its caption: single-line, left-aligned and opaque,
// so that it hides the plot beneath it.
QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, QPoint at,
                  const QFont *font = nullptr)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    if (font)
        label->setFont(*font);
    label->setAutoFillBackground(true);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFocusPolicy(Qt::NoFocus);
    const QFontMetrics metrics(label->font());
    label->setGeometry(QRect(at, QSize(metrics.horizontalAdvance(text), metrics.height())));
    return label;
}

// A command button of the column: no default button, so Enter presses none.
QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, int top)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setGeometry(8, top, 97, 17);
    return button;
}

QLineEdit *makeTextBox(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setTextMargins(0, 0, 0, 0);
    return box;
}

void useMenuColour(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    widget->setPalette(palette);
}

// A leg list: shows its items and takes neither the focus nor a selection.
QListView *makeList(QWidget *parent, const QString &name, QAbstractItemModel *model, const QRect &geometry)
{
    auto *list = new QListView(parent);
    list->setObjectName(name);
    list->setModel(model);
    list->setGeometry(geometry);
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setFocusPolicy(Qt::NoFocus);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A text wider than the list is cut at its edge: "45,5" shown as "4…" would hide the
    // very digits a navigator checks against the sheet.
    list->setTextElideMode(Qt::ElideNone);
    useMenuColour(list);
    return list;
}

// A thin rule drawn in the default line colour.
class Rule : public QFrame
{
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
    }
};

QFrame *makeRule(QWidget *parent, const QString &name, QPoint from, int length)
{
    auto *rule = new Rule(parent);
    rule->setObjectName(name);
    rule->setGeometry(from.x(), from.y(), length + 1, 1);
    // A rule is drawn on the window: a drop on it lands on the window's surface.
    rule->setAttribute(Qt::WA_TransparentForMouseEvents);
    return rule;
}

// A framed picture at its designed place.
template<typename Picture>
Picture *makePicture(QWidget *parent, const QString &name, const QString &pictures, const QRect &geometry)
{
    auto *picture = new Picture(parent);
    picture->setObjectName(name);
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(2);
    picture->setPictures(pictures);
    picture->setGeometry(geometry);
    return picture;
}

} // namespace

bool Form1Layout::showsSurface(const QWidget *form, QPoint pos) const
{
    if (!form->rect().contains(pos) || form->childAt(pos))
        return false;
    for (std::size_t k = 1; k < proa.size(); ++k) {
        if (proa[k].visible && proa[k].rect.contains(pos))
            return false;
    }
    return true;
}

void Form1Layout::setupLayout(QWidget *form, QAbstractItemModel *distances, QAbstractItemModel *bearings)
{
    form->setObjectName(QStringLiteral("Form1"));
    form->setWindowTitle(QStringLiteral("Trevanto"));
    form->setWindowIcon(programIcon());
    form->setFont(trevanto::dialogFont());
    // The window paints all of itself from the drawing surface.
    form->setAttribute(Qt::WA_OpaquePaintEvent);
    form->setBackgroundRole(QPalette::Button);

    List2 = makeList(form, QStringLiteral("List2"), bearings, QRect(8, 24, 41, 134));
    List1 = makeList(form, QStringLiteral("List1"), distances, QRect(56, 24, 49, 134));
    Text4 = makeTextBox(form, QStringLiteral("Text4"), QRect(8, 160, 41, 19));
    Text3 = makeTextBox(form, QStringLiteral("Text3"), QRect(56, 160, 49, 19));
    Command1 = makeButton(form, QStringLiteral("Command1"), QStringLiteral("Incluir"), 184);
    Command2 = makeButton(form, QStringLiteral("Command2"), QStringLiteral("Excluir"), 200);
    Command3 = makeButton(form, QStringLiteral("Command3"), QStringLiteral("Atualizar!"), 216);
    Command4 = makeButton(form, QStringLiteral("Command4"), QStringLiteral("Imprimir"), 232);
    Command6 = makeButton(form, QStringLiteral("Command6"), QStringLiteral("Ajuda..."), 248);
    Command5 = makeButton(form, QStringLiteral("Command5"), QStringLiteral("FIM"), 264);
    Text2 = makeTextBox(form, QStringLiteral("Text2"), QRect(48, 292, 37, 19));
    Text2->setText(QStringLiteral("10"));
    Text2->setMaxLength(int(trevanto::MaxScaleLength)); // as much of a scale as the work file loads
    useMenuColour(Text2);
    Label1 = makeLabel(form, QStringLiteral("Label1"), QStringLiteral("Zoom: "), QPoint(10, 296));
    Label3 = makeLabel(form, QStringLiteral("Label3"), QStringLiteral("Metragem"), QPoint(56, 8));
    Label4 = makeLabel(form, QStringLiteral("Label4"), QStringLiteral("Direção"), QPoint(8, 8));

    Picture1 = new StartMarker(form);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(368, 256, 9, 9);
    Picture2 = makePicture<SharpPicture>(form, QStringLiteral("Picture2"), QStringLiteral("north"),
                                   QRect(8, 416, 35, 68));

    // The template of the bearing labels: never shown.
    proa.assign(1, trevanto::BearingLabel{QRect(432, 256, 32, 13), QStringLiteral("Label5"), false});

    const QFont title = trevanto::headerFont(14.25);
    const QFont line = trevanto::headerFont(9.75);
    Label5 = makeLabel(form, QStringLiteral("Label5"), QStringLiteral("Trevanto"), QPoint(112, 24), &title);
    Label6 = makeLabel(form, QStringLiteral("Label6"), QStringLiteral("Pervona"), QPoint(120, 48), &title);
    Label7 = makeLabel(form, QStringLiteral("Label7"), trevanto::kSiteAddressText, QPoint(144, 72), &line);
    Label8 = makeLabel(form, QStringLiteral("Label8"), trevanto::kHelpContactText, QPoint(144, 96), &line);

    UpDown1 = new UpDown(form);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(83, 292, 16, 19);
    UpDown1->setArrowKeysBuddy(Text2);

    Image1 = makePicture<LogoImage>(form, QStringLiteral("Image1"), QStringLiteral("logo"),
                                    QRect(8, 320, 94, 94));
    Image1->setAlignment(Qt::AlignCenter);

    Line1 = makeRule(form, QStringLiteral("Line1"), QPoint(112, 48), 296);
    Line2 = makeRule(form, QStringLiteral("Line2"), QPoint(112, 92), 296);

    QWidget *const tabChain[] = {List2, List1, Text4, Text3, Command1, Command2, Command3, Command4, Command6, Command5, Text2};
    for (std::size_t i = 1; i < std::size(tabChain); ++i)
        QWidget::setTabOrder(tabChain[i - 1], tabChain[i]);
}
