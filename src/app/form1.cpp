#include "form1.h"

#include "app/accessibility.h"
#include "app/plotaccessible.h"
#include "app/sharppicture.h"
#include "app/leglist.h"
#include "app/logoimage.h"
#include "app/marker.h"
#include "app/shutdown.h"
#include "app/updown.h"
#include "common/numbers.h"
#include "course/legrules.h"
#include "help/form2.h"
#include "help/weblink.h"
#include "plot/coursepainter.h"
#include "plot/geometry.h"
#include "plot/scale.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPicture>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QValidator>

using namespace trevanto;

namespace {

// Makes each control character and line break of a box's new text a space before the
// box takes the text, so that no signal of the box ever carries one.
class BlanksAsSpaces : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = blanksAsSpaces(std::move(input));
        return Acceptable;
    }
};

} // namespace

Form1::Form1(const Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_distances(new LegList(this))
    , m_bearings(new LegList(this))
    , m_outerSize(this, 10000, 8000) // the designed size until the start-up gives the window its own
    , m_surface(this)
    , m_messages(services.messages, this)
{
    installPlotWindowAccessibility();
    setupLayout(this, m_distances, m_bearings);
    describeForAccessibility(*this);

    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(UpDown1, &UpDown::UpClick, this, &Form1::UpDown1_UpClick);
    connect(UpDown1, &UpDown::DownClick, this, &Form1::UpDown1_DownClick);
    connect(Picture1, &StartMarker::MouseDown, this, &Form1::Picture1_MouseDown);
    connect(Picture1, &StartMarker::DragDrop, this, &Form1::markerDropped);
    connect(Image1, &LogoImage::Click, this, &Form1::Image1_Click);
    connect(Image1, &LogoImage::MouseMove, this, &Form1::Image1_MouseMove);
    connect(&m_outerSize, &OuterSize::framed, this, &Form1::windowFramed);
    // A number pasted with its line break, or typed between tabs, reads as spaced; no
    // NUL or other control character reaches a box's text, nor the work file.
    auto *blanks = new BlanksAsSpaces(this);
    for (QLineEdit *box : {Text4, Text3, Text2})
        box->setValidator(blanks);
    // The two lists show the same legs side by side.
    QScrollBar *bearingRows = List2->verticalScrollBar();
    QScrollBar *distanceRows = List1->verticalScrollBar();
    connect(bearingRows, &QScrollBar::valueChanged, distanceRows, &QScrollBar::setValue);
    connect(distanceRows, &QScrollBar::valueChanged, bearingRows, &QScrollBar::setValue);
}

Form1::~Form1() = default;

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
    // A held arrow would go on repeating behind the message: it comes up now.
    UpDown1->release();
    m_messages.show(text);
}

// ---- start-up and close -------------------------------------------------------

void Form1::Form_Load()
{
    m_outerSize.setHeightTwips(8000);
    m_outerSize.setWidthTwips(10000);

    const WorkFileLocation &workFile = m_services.workFile;
    const WorkFileLoad load = workFile.readPath.isEmpty() ? WorkFileLoad() : loadWorkFile(workFile.readPath, m_services.locale);
    // There before a message of the start-up lets a signal close the window.
    if (!workFile.writePath.isEmpty()) {
        // Used by the writer's thread alone.
        auto saves = std::make_shared<WorkFileSaves>(workFile, !load.keepBackup);
        m_keeper = std::make_unique<WorkKeeper>([saves](const QByteArray &bytes) { return saves->save(bytes); },
                                                m_services.locale, [this] { return workFileState(); });
        connect(m_keeper.get(), &WorkKeeper::told, this, &Form1::showMessage);
    }
    if (load.status == LoadStatus::Loaded)
        restore(load.content);
    // At 500, 500 twips from the screen's corner, yet wholly on the screen, and the
    // marker in the window's inside.
    const int place = int(roundHalfEven(500 / OuterSize::TwipsPerPixel));
    const QRect available = screen() ? screen()->availableGeometry() : QRect(QPoint(0, 0), m_outerSize.pixels());
    move(placeOnScreen(QPoint(place, place), m_outerSize.pixels(), available));
    keepMarkerInReach();
    QStringList said{m_services.workFileNotice, load.message};
    if (load.status == LoadStatus::Loaded) {
        // The course is drawn through the legs that read. What could not be read, of
        // the file, its scale and its legs, is said once, in one message.
        if (const auto refusal = scaleRefusal(Text2->text(), m_services.locale)) {
            said << *refusal << unreadLegsMessage(unreadLegs(distances(), bearings(), m_services.locale));
            Text2->setFocus();
        } else {
            Command3_Click();
            said << unreadLegsMessage(m_plot.unread);
        }
    }
    said.removeAll(QString());
    if (!said.isEmpty())
        showMessage(said.join(u' '));
    keepWorkOnDisk();
}

bool Form1::keepMarkerInReach()
{
    const QPoint at = markerInReach(Picture1->pos(), Picture1->size(), size());
    if (at == Picture1->pos())
        return false;
    Picture1->move(at);
    return true;
}

// Once shown, the window's frame takes its share of the outer size: a marker that is no
// longer inside comes in, and the course is drawn from there when it can be.
void Form1::windowFramed()
{
    if (keepMarkerInReach() && !scaleRefusal(Text2->text(), m_services.locale))
        Command3_Click();
}

void Form1::restore(const WorkFileContent &content)
{
    if (content.height)
        m_outerSize.setHeightTwips(*content.height);
    if (content.width)
        m_outerSize.setWidthTwips(*content.width);
    if (content.scale)
        Text2->setText(*content.scale);
    if (content.markerLeft || content.markerTop)
        Picture1->move(content.markerLeft ? nearWindow(*content.markerLeft) : Picture1->x(),
                       content.markerTop ? nearWindow(*content.markerTop) : Picture1->y());
    m_distances->appendAll(content.distances);
    m_bearings->appendAll(content.bearings);
}

void Form1::Form_QueryUnload()
{
    if (!m_keeper)
        return;
    const SaveReport report = m_keeper->saveNow();
    if (!report.message.isEmpty())
        showMessage(report.message);
}

WorkFileState Form1::workFileState() const
{
    return {distances(), bearings(), m_outerSize.widthTwips(), m_outerSize.heightTwips(), Text2->text(),
            float(Picture1->x()), float(Picture1->y())};
}

// From the end of the start-up on, every change of what the work file holds is written
// within a second.
void Form1::keepWorkOnDisk()
{
    if (!m_keeper)
        return;
    WorkKeeper *keeper = m_keeper.get();
    keeper->started();
    // The legs are handed over by Incluir and Excluir once both lists have changed.
    connect(Text2, &QLineEdit::textChanged, keeper, &WorkKeeper::changed);
    connect(Picture1, &StartMarker::Moved, keeper, &WorkKeeper::changed);
    connect(&m_outerSize, &OuterSize::changed, keeper, &WorkKeeper::changed);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

// ---- the drawing surface ---------------------------------------------------------

void Form1::paintEvent(QPaintEvent *event)
{
    // On a page the surface is drawn beneath the controls apart: see paintClientArea().
    if (PageDrawing::active())
        return;
    QPainter painter(this);
    m_surface.plot().paint(painter, event->rect());
}

void Form1::paintClientArea(QPainter &painter)
{
    // The outline of a drag under way is no part of the window's picture.
    if (auto *outline = findChild<DragOutline *>())
        outline->hide();
    // The surface: the last redraw's course drawn anew at the painter's resolution, no
    // further than the window.
    painter.save();
    painter.setClipRect(rect(), Qt::IntersectClip);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    paintCourse(painter, m_plot, std::span(proa).subspan(1), labelLook(), rect());
    painter.restore();
    // The controls above it. Widgets render themselves onto a printer as one picture of
    // pixels; recorded first, their text stays text and their lines stay lines.
    QPicture recorded;
    QPainter recording(&recorded);
    const PageDrawing page;
    render(&recording, QPoint(), QRegion(), QWidget::DrawChildren);
    recording.end();
    // A picture plays itself larger by the device's dots per inch over its own: the
    // painter already says how large a window pixel is.
    const QPaintDevice *device = painter.device();
    painter.save();
    painter.scale(qreal(recorded.logicalDpiX()) / device->logicalDpiX(),
                  qreal(recorded.logicalDpiY()) / device->logicalDpiY());
    painter.drawPicture(0, 0, recorded);
    painter.restore();
}

// ---- the redraw ----------------------------------------------------------------

LabelLook Form1::labelLook() const
{
    return {font(), palette().color(QPalette::WindowText), palette().color(QPalette::Button)};
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
    m_plot = plotCourse(*start, distances(), bearings(), scaleText, m_services.locale);
    const qsizetype last = lastDrawnLeg(m_plot);
    const PlotPoint pen = last < 0 ? *start : m_plot.legs[std::size_t(last)].to;
    lngPenX = pen.x;
    lngPenY = pen.y;
    proa.resize(m_plot.legs.size() + 1);
    update(m_surface.plot().draw(m_plot, bearings(), labelLook(), std::span(proa).subspan(1)));
    emit bearingLabelsRedrawn();
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
    legsChanged();
    // Both lists show the new leg.
    List1->scrollToBottom();
    List2->scrollToBottom();
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
        legsChanged();
        Command3_Click();
    }
}

// Both lists have changed: the work is handed over once, as one state, so that no save
// can hold one list changed and the other not.
void Form1::legsChanged()
{
    if (m_keeper)
        m_keeper->changed();
}

// ---- print, end, help, web link ------------------------------------------------

void Form1::Command4_Click()
{
    if (!m_services.printer)
        return;
    const PrintOutcome outcome = m_services.printer->printPage({size(), [this](QPainter &painter) {
        paintClientArea(painter);
    }});
    if (!outcome.message.isEmpty())
        showMessage(outcome.message);
}

void Form1::Command5_Click()
{
    close();
}

void Form1::Command6_Click()
{
    m_messages.runModal([this] {
        Form2 help(this);
        help.exec();
    });
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
    Picture1->beginDrag(grabOffset);
}

// Only a drop on the window's own surface moves the marker.
void Form1::markerDropped(QPoint pos)
{
    if (showsSurface(this, pos))
        Form_DragDrop(pos.x(), pos.y());
}

void Form1::Form_DragDrop(int X, int Y)
{
    Picture1->move(X, Y);
    Command3_Click();
}
