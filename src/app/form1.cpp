#include "form1.h"

#include "app/accessibility.h"
#include "app/plotaccessible.h"
#include "app/leglist.h"
#include "app/logoimage.h"
#include "app/marker.h"
#include "app/shutdown.h"
#include "app/updown.h"
#include "common/numbers.h"
#include "course/legrules.h"
#include "help/form2.h"
#include "help/weblink.h"
#include "plot/geometry.h"
#include "plot/scale.h"
#include "workfile/workfilewriter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

using namespace trevanto;

Form1::Form1(const Services &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_distances(new LegList(this))
    , m_bearings(new LegList(this))
    , m_outerSize(this, 10000, 8000) // the designed size until the start-up gives the window its own
    , m_surface(this)
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

    // Bursts of changes are written once, at most half a second after the first.
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(500);
    connect(&m_saveTimer, &QTimer::timeout, this, &Form1::saveInBackground);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &Form1::saveForSession);
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

// One message at a time: what is said while a message or the help is open is shown
// after it closes, once.
void Form1::showMessage(const QString &text)
{
    if (!m_services.messages)
        return;
    if (m_modalOpen) {
        if (!m_waitingMessages.contains(text))
            m_waitingMessages.append(text);
        return;
    }
    // A held arrow would go on repeating behind the message: it comes up now.
    UpDown1->release();
    runModal([&] { m_services.messages->showMessage(this, text); });
}

void Form1::runModal(const std::function<void()> &modal)
{
    m_modalOpen = true;
    modal();
    m_modalOpen = false;
    if (!m_waitingMessages.isEmpty())
        showMessage(m_waitingMessages.takeFirst());
}

// ---- start-up and close -------------------------------------------------------

void Form1::Form_Load()
{
    m_outerSize.setHeightTwips(8000);
    m_outerSize.setWidthTwips(10000);
    const int place = int(roundHalfEven(500 / OuterSize::TwipsPerPixel));
    move(place, place);

    const WorkFileLocation &workFile = m_services.workFile;
    const WorkFileLoad load = workFile.readPath.isEmpty() ? WorkFileLoad() : loadWorkFile(workFile.readPath, m_services.locale);
    // There before a message of the start-up lets a signal close the window.
    if (!workFile.writePath.isEmpty())
        m_writer = std::make_unique<WorkFileWriter>(workFile, load.keepBackup);
    if (load.status == LoadStatus::Loaded)
        restore(load.content);
    if (!load.message.isEmpty())
        showMessage(load.message);
    if (load.status == LoadStatus::Loaded)
        Command3_Click();
    keepWorkOnDisk();
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
    if (!m_writer)
        return;
    m_saveTimer.stop();
    const SaveReport report = m_writer->writeNow(workFileBytes());
    if (report.saved)
        m_savedVersion = m_version;
    setWorkOnDisk(m_savedVersion == m_version);
    m_lastSaveMessage = report.message;
    if (!report.message.isEmpty())
        showMessage(report.message);
}

void Form1::saveForSession()
{
    Form_QueryUnload();
}

QByteArray Form1::workFileBytes() const
{
    WorkFileState state;
    state.distances = distances();
    state.bearings = bearings();
    state.width = m_outerSize.widthTwips();
    state.height = m_outerSize.heightTwips();
    state.scale = Text2->text();
    state.markerLeft = float(Picture1->x());
    state.markerTop = float(Picture1->y());
    return formatWorkFile(state, m_services.locale);
}

// From the end of the start-up on, every change of what the work file holds is written
// in the background, at most a second later.
void Form1::keepWorkOnDisk()
{
    if (!m_writer)
        return;
    connect(m_writer.get(), &WorkFileWriter::written, this, &Form1::savedInBackground);
    for (LegList *list : {m_distances, m_bearings}) {
        connect(list, &LegList::rowsInserted, this, &Form1::workChanged);
        connect(list, &LegList::rowsRemoved, this, &Form1::workChanged);
        connect(list, &LegList::modelReset, this, &Form1::workChanged);
    }
    connect(Text2, &QLineEdit::textChanged, this, &Form1::workChanged);
    connect(&m_outerSize, &OuterSize::changed, this, &Form1::workChanged);
}

void Form1::workChanged()
{
    ++m_version;
    setWorkOnDisk(false);
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
}

void Form1::saveInBackground()
{
    if (m_writer && m_savedVersion != m_version)
        m_writer->write(workFileBytes(), m_version);
}

void Form1::savedInBackground(const SaveReport &report, quint64 version)
{
    if (report.saved && version > m_savedVersion) {
        m_savedVersion = version;
        setWorkOnDisk(version == m_version);
    }
    // A save that goes on failing, or on going to the second place, is said once.
    if (report.message == m_lastSaveMessage)
        return;
    m_lastSaveMessage = report.message;
    if (!report.message.isEmpty())
        showMessage(report.message);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
}

// ---- the drawing surface ---------------------------------------------------------

void Form1::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    m_surface.plot().paint(painter, event->rect());
}

QImage Form1::clientImage()
{
    // The outline of a drag under way is no part of the window's picture.
    if (auto *outline = findChild<DragOutline *>())
        outline->hide();
    return grab().toImage();
}

// ---- the redraw ----------------------------------------------------------------

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
    update(m_surface.plot().draw(plot, bearings(), look, std::span(proa).subspan(1)));
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
    if (!outcome.message.isEmpty())
        showMessage(outcome.message);
}

void Form1::Command5_Click()
{
    close();
}

void Form1::Command6_Click()
{
    runModal([this] {
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

// Only a drop on the window's own surface, the plot's lines and the rules included,
// moves the marker: not one on a control, a bearing label or outside the window.
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

void Form1::markerDropped(QPoint pos)
{
    if (isBareSurface(pos))
        Form_DragDrop(pos.x(), pos.y());
}

void Form1::Form_DragDrop(int X, int Y)
{
    Picture1->move(X, Y);
    workChanged();
    Command3_Click();
}
