#include "form1.h"

#include "app/accessibility.h"
#include "app/leglist.h"
#include "app/marker.h"
#include "app/shutdown.h"
#include "app/updown.h"
#include "common/fonts.h"
#include "common/numbers.h"
#include "course/legrules.h"
#include "help/form2.h"
#include "help/organisation.h"
#include "help/weblink.h"
#include "plot/geometry.h"
#include "plot/scale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace trevanto;

namespace {

// Widget coordinates are plain ints: anything placed further out than this is off
// every screen anyway, and keeping well inside int leaves room for width arithmetic.
constexpr int FarOut = 1 << 24;

// The smallest and largest outer size the window accepts, in pixels.
constexpr QSize MinimumOuter(120, 40);
constexpr QSize MaximumOuter(16384, 16384);

int clampCoordinate(std::int64_t value)
{
    return int(std::clamp<std::int64_t>(value, -FarOut, FarOut));
}

// The program's icon: hand-drawn pictures for the small sizes, the drawing for the rest.
QIcon programIcon()
{
    QIcon icon(QStringLiteral(":/icon.svg"));
    icon.addFile(QStringLiteral(":/icon-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icon-32.png"), QSize(32, 32));
    return icon;
}

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

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption, int top)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setDefault(false);
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

} // namespace

LogoImage::LogoImage(QWidget *parent)
    : QLabel(parent)
{
    setMouseTracking(true);
}

void LogoImage::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    if (onMouseMove)
        onMouseMove();
}

void LogoImage::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
        onClick();
}

Form1::Form1(const Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_distances(new LegList(this))
    , m_bearings(new LegList(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Trevanto"));
    setWindowIcon(programIcon());
    setFont(dialogFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setBackgroundRole(QPalette::Button);
    // The designed size until the start-up sequence gives the window its own.
    m_widthTwips = 10000;
    m_heightTwips = 8000;
    applyOuterSize();
    buildControls();
    m_outline = new DragOutline(this);
    m_outline->setObjectName(QStringLiteral("dragOutline"));
    ensureSurfaceCovers(size());
    describeForAccessibility(*this);
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    const QColor menu = QApplication::palette("QMenu").color(QPalette::Window);

    auto makeList = [&](const QString &name, LegList *model, const QRect &geometry) {
        auto *list = new QListView(this);
        list->setObjectName(name);
        list->setModel(model);
        list->setGeometry(geometry);
        list->setUniformItemSizes(true);
        list->setSelectionMode(QAbstractItemView::NoSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setFocusPolicy(Qt::NoFocus);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        QPalette palette = list->palette();
        palette.setColor(QPalette::Base, menu);
        list->setPalette(palette);
        return list;
    };
    List2 = makeList(QStringLiteral("List2"), m_bearings, QRect(8, 24, 41, 134));
    List1 = makeList(QStringLiteral("List1"), m_distances, QRect(56, 24, 49, 134));
    Text4 = makeTextBox(this, QStringLiteral("Text4"), QRect(8, 160, 41, 19));
    Text3 = makeTextBox(this, QStringLiteral("Text3"), QRect(56, 160, 49, 19));
    Command1 = makeButton(this, QStringLiteral("Command1"), QStringLiteral("Incluir"), 184);
    Command2 = makeButton(this, QStringLiteral("Command2"), QStringLiteral("Excluir"), 200);
    Command3 = makeButton(this, QStringLiteral("Command3"), QStringLiteral("Atualizar!"), 216);
    Command4 = makeButton(this, QStringLiteral("Command4"), QStringLiteral("Imprimir"), 232);
    Command6 = makeButton(this, QStringLiteral("Command6"), QStringLiteral("Ajuda..."), 248);
    Command5 = makeButton(this, QStringLiteral("Command5"), QStringLiteral("FIM"), 264);
    Text2 = makeTextBox(this, QStringLiteral("Text2"), QRect(48, 292, 37, 19));
    Text2->setText(QStringLiteral("10"));
    {
        QPalette palette = Text2->palette();
        palette.setColor(QPalette::Base, menu);
        Text2->setPalette(palette);
    }
    Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("Zoom: "), QPoint(10, 296));
    Label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("Metragem"), QPoint(56, 8));
    Label4 = makeLabel(this, QStringLiteral("Label4"), QStringLiteral("Direção"), QPoint(8, 8));

    Picture1 = new StartMarker(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(368, 256, 9, 9);

    Picture2 = new QLabel(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture2->setLineWidth(2);
    Picture2->setPixmap(QPixmap(QStringLiteral(":/north.png")));
    Picture2->setGeometry(8, 416, 35, 68);

    // The template of the bearing labels: never shown.
    proa.push_back(BearingLabel{QRect(432, 256, 32, 13), QStringLiteral("Label5"), false});

    const QFont title = headerFont(14.25);
    const QFont line = headerFont(9.75);
    Label5 = makeLabel(this, QStringLiteral("Label5"), QStringLiteral("Trevanto"), QPoint(112, 24), &title);
    Label6 = makeLabel(this, QStringLiteral("Label6"), QStringLiteral("Pervona"), QPoint(120, 48), &title);
    Label7 = makeLabel(this, QStringLiteral("Label7"), kSiteAddressText, QPoint(144, 72), &line);
    Label8 = makeLabel(this, QStringLiteral("Label8"), kHelpContactText, QPoint(144, 96), &line);

    UpDown1 = new UpDown(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setGeometry(83, 292, 16, 19);

    Image1 = new LogoImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Image1->setLineWidth(2);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(QPixmap(QStringLiteral(":/logo.png")));
    Image1->setGeometry(8, 320, 94, 94);

    Line1 = makeRule(this, QStringLiteral("Line1"), QPoint(112, 48), 296);
    Line2 = makeRule(this, QStringLiteral("Line2"), QPoint(112, 92), 296);

    setTabOrder(List2, List1);
    setTabOrder(List1, Text4);
    setTabOrder(Text4, Text3);
    setTabOrder(Text3, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Command4);
    setTabOrder(Command4, Command6);
    setTabOrder(Command6, Command5);
    setTabOrder(Command5, Text2);

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(UpDown1, &UpDown::UpClick, this, &Form1::UpDown1_UpClick);
    connect(UpDown1, &UpDown::DownClick, this, &Form1::UpDown1_DownClick);
    Picture1->onPress = [this](QPoint offset) { Picture1_MouseDown(offset); };
    Picture1->onDragMove = [this](QPoint global) { dragMove(global); };
    Picture1->onRelease = [this](QPoint global) { finishDrag(global); };
    Image1->onClick = [this] { Image1_Click(); };
    Image1->onMouseMove = [this] { Image1_MouseMove(); };
}

const QStringList &Form1::distances() const
{
    return m_distances->items();
}

const QStringList &Form1::bearings() const
{
    return m_bearings->items();
}

void Form1::showMessage(const QString &text)
{
    if (m_services.messages)
        m_services.messages->showMessage(this, text);
}

// ---- start-up and close -------------------------------------------------------

void Form1::Form_Load()
{
    setHeightTwips(8000);
    setWidthTwips(10000);
    move(qRound(500 / TwipsPerPixel), qRound(500 / TwipsPerPixel));
    loadWorkFile();
}

void Form1::loadWorkFile()
{
    const QString path = m_services.workFile.readPath;
    if (path.isEmpty())
        return;
    const WorkFileLoad load = trevanto::loadWorkFile(path, m_services.locale);
    if (load.status == LoadStatus::Missing)
        return;
    if (load.status == LoadStatus::NotAFile) {
        showMessage(load.problem);
        return;
    }
    // A file that is not loaded whole is kept as .bak before any save replaces it.
    const QString backup = path + QStringLiteral(".bak");
    if (load.status == LoadStatus::Refused) {
        m_keepBackup = true;
        showMessage(load.problem
                    + QStringLiteral(" Antes de ser substituído, ele será guardado como %1.").arg(backup));
        return;
    }

    const WorkFileContent &content = load.content;
    if (content.height)
        setHeightTwips(*content.height);
    if (content.width)
        setWidthTwips(*content.width);
    if (content.scale)
        Text2->setText(*content.scale);
    if (content.markerLeft || content.markerTop) {
        const int left = content.markerLeft ? clampCoordinate(*content.markerLeft) : Picture1->x();
        const int top = content.markerTop ? clampCoordinate(*content.markerTop) : Picture1->y();
        Picture1->move(left, top);
    }
    m_distances->appendAll(content.distances);
    m_bearings->appendAll(content.bearings);
    if (content.truncated) {
        m_keepBackup = true;
        showMessage(QStringLiteral("O arquivo de trabalho tem mais de %1 trechos; só os primeiros %1 foram "
                                   "carregados. Antes de ser substituído, o arquivo completo será guardado como %2.")
                        .arg(MaxLegs)
                        .arg(backup));
    }
    Command3_Click();
}

void Form1::Form_QueryUnload()
{
    if (m_services.workFile.writePath.isEmpty())
        return;
    WorkFileState state;
    state.distances = distances();
    state.bearings = bearings();
    state.width = m_widthTwips;
    state.height = m_heightTwips;
    state.scale = Text2->text();
    state.markerLeft = float(Picture1->x());
    state.markerTop = float(Picture1->y());
    const QByteArray bytes = formatWorkFile(state, m_services.locale);
    SaveReport report;
    saveUninterrupted([&] {
        report = saveWork(m_services.workFile, bytes, m_keepBackup);
        return report.saved;
    });
    if (report.saved)
        m_keepBackup = false; // the backup holds the original; a second close must not replace it
    if (!report.message.isEmpty())
        showMessage(report.message);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

// ---- window size in twips -------------------------------------------------------

void Form1::setWidthTwips(double twips)
{
    m_widthTwips = float(twips);
    applyOuterSize();
}

void Form1::setHeightTwips(double twips)
{
    m_heightTwips = float(twips);
    applyOuterSize();
}

void Form1::applyOuterSize()
{
    // A size the window cannot take is clamped, and kept as the size it did take.
    auto toPixels = [](float &twips, int low, int high) {
        const double pixels = roundHalfEven(double(twips) / TwipsPerPixel);
        const double taken = std::clamp(pixels, double(low), double(high));
        if (taken != pixels)
            twips = float(taken * TwipsPerPixel);
        return int(taken);
    };
    const QSize outer(toPixels(m_widthTwips, MinimumOuter.width(), MaximumOuter.width()),
                      toPixels(m_heightTwips, MinimumOuter.height(), MaximumOuter.height()));

    m_frameMargins = frameGeometry().size() - size();
    m_appliedOuterSize = outer;
    m_applyingSize = true;
    resize((outer - m_frameMargins).expandedTo(QSize(1, 1)));
    m_applyingSize = false;
}

void Form1::syncTwipsFromWindow()
{
    if (m_applyingSize || !isVisible())
        return;
    const QSize margins = frameGeometry().size() - size();
    if (margins != m_frameMargins) {
        // The frame became known after the size was set: give the outer size again.
        applyOuterSize();
        return;
    }
    const QSize outer = frameGeometry().size();
    if (outer == m_appliedOuterSize)
        return;
    // The user (or the system) resized the window.
    m_appliedOuterSize = outer;
    m_widthTwips = float(outer.width() * TwipsPerPixel);
    m_heightTwips = float(outer.height() * TwipsPerPixel);
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ensureSurfaceCovers(size());
    syncTwipsFromWindow();
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    syncTwipsFromWindow();
}

void Form1::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    syncTwipsFromWindow();
}

// ---- the drawing surface -----------------------------------------------------

void Form1::ensureSurfaceCovers(QSize size)
{
    QSize wanted = size;
    if (const QScreen *screen = this->screen())
        wanted = wanted.expandedTo(screen->virtualSize());
    if (m_plot.cover(wanted, devicePixelRatioF(), palette().color(QPalette::Button)))
        update();
}

bool Form1::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // On a screen of another density the surface is made again at that density,
    // holding what it held, until the next redraw draws it anew.
    if (event->type() == QEvent::ScreenChangeInternal)
        ensureSurfaceCovers(size());
    return handled;
}

void Form1::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    const QImage &surface = m_plot.image();
    const qreal ratio = surface.devicePixelRatio();
    const QRectF source(dirty.x() * ratio, dirty.y() * ratio, dirty.width() * ratio, dirty.height() * ratio);
    painter.drawImage(QRectF(dirty), surface, source);
}

QImage Form1::clientImage()
{
    m_outline->hide();
    return grab().toImage();
}

// ---- the redraw ----------------------------------------------------------------

double Form1::grau(std::int16_t intCont) const
{
    const auto angle = legAngle(bearings().at(intCont), m_services.locale);
    return angle ? *angle : std::numeric_limits<double>::quiet_NaN();
}

void Form1::Command3_Click()
{
    const QString scaleText = Text2->text();
    if (const auto refusal = scaleRefusal(scaleText, m_services.locale)) {
        showMessage(*refusal);
        Text2->setFocus();
        return;
    }
    const auto start = penStart(float(Picture1->x()), float(Picture1->y()));
    if (!start)
        return;
    const CoursePlot plot = plotCourse(*start, distances(), bearings(), scaleText, m_services.locale);
    const PlotPoint pen = plot.legs.empty() ? *start : plot.legs.back().to;
    lngPenX = pen.x;
    lngPenY = pen.y;
    proa.resize(plot.legs.size() + 1);
    const LabelLook look{font(), palette().color(QPalette::WindowText), palette().color(QPalette::Button)};
    update(m_plot.draw(plot, bearings(), look, std::span(proa).subspan(1)));
    if (onBearingLabelsRedrawn)
        onBearingLabelsRedrawn();
}

// ---- course legs -----------------------------------------------------------------

void Form1::Command1_Click()
{
    const QString bearing = Text4->text();
    const QString distance = Text3->text();
    if (const auto refusal = checkNewLeg(bearing, distance, m_distances->count(), m_services.locale)) {
        showMessage(refusal->message);
        (refusal->focus == EntryBox::Bearing ? Text4 : Text3)->setFocus();
        return;
    }
    m_distances->append(distance);
    m_bearings->append(bearing);
    Text3->clear();
    Text4->clear();
    Command3_Click();
    Text4->setFocus();
}

void Form1::Command2_Click()
{
    if (m_distances->count() > 0 && m_bearings->count() > 0) {
        m_distances->removeLast();
        m_bearings->removeLast();
        Command3_Click();
    }
}

// ---- print, end, help, web link ------------------------------------------------

void Form1::Command4_Click()
{
    if (!m_services.printer)
        return;
    const PrintOutcome outcome = m_services.printer->printPage(clientImage());
    if (outcome.kind == PrintOutcome::SavedAsPdf)
        showMessage(QStringLiteral("Nenhuma impressora disponível. A página foi gravada em %1").arg(outcome.detail));
    else if (outcome.kind == PrintOutcome::Failed)
        showMessage(QStringLiteral("Não foi possível imprimir: %1").arg(outcome.detail));
}

void Form1::Command5_Click()
{
    close();
}

void Form1::Command6_Click()
{
    Form2 help(this);
    help.exec();
}

void Form1::Image1_Click()
{
    if (m_services.launcher)
        openOrganisationSite(*m_services.launcher);
}

void Form1::Image1_MouseMove()
{
    Image1->setCursor(Qt::WhatsThisCursor);
}

// ---- zoom and the start marker ------------------------------------------------

void Form1::UpDown1_UpClick()
{
    Text2->setText(stepScale(Text2->text(), ScaleStep::Up, m_services.locale));
    Command3_Click();
}

void Form1::UpDown1_DownClick()
{
    Text2->setText(stepScale(Text2->text(), ScaleStep::Down, m_services.locale));
    Command3_Click();
}

void Form1::Picture1_MouseDown(QPoint grabOffset)
{
    m_grabOffset = grabOffset;
    m_outline->setGeometry(Picture1->geometry());
    m_outline->raise();
    m_outline->show();
}

void Form1::dragMove(QPoint globalPos)
{
    m_outline->move(mapFromGlobal(globalPos) - m_grabOffset);
}

bool Form1::isBareSurface(QPoint pos) const
{
    if (!rect().contains(pos) || childAt(pos))
        return false;
    for (std::size_t k = 1; k < proa.size(); ++k) {
        if (proa[k].visible && proa[k].rect.contains(pos))
            return false;
    }
    return true;
}

void Form1::finishDrag(QPoint globalPos)
{
    m_outline->hide();
    const QPoint pos = mapFromGlobal(globalPos);
    if (isBareSurface(pos))
        Form_DragDrop(pos.x(), pos.y());
}

void Form1::Form_DragDrop(int X, int Y)
{
    Picture1->move(X, Y);
    Command3_Click();
}
