#include "plotaccessible.h"

#include "app/accessibility.h"
#include "app/form1.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>

#include <algorithm>
#include <vector>

namespace trevanto {

namespace {

class PlotWindowAccessible;

// One bearing label of the plot as a screen reader sees it: a static text named
// after its leg, with the leg's bearing and distance. It keeps the label's place in
// `proa`, never the label itself, and reads the label afresh on every question, so
// the redraw that recreates the labels leaves it nothing to point into. Only the
// window's interface creates these, one per label and only when asked for it or when
// it announces one, and registers each with the accessibility cache, which owns it
// from then on.
class BearingLabelAccessible : public QAccessibleInterface
{
public:
    BearingLabelAccessible(const PlotWindowAccessible *window, qsizetype element)
        : m_window(window)
        , m_element(element)
    {
    }

    qsizetype element() const { return m_element; }
    const PlotWindowAccessible *owner() const { return m_window; }
    // Keeps the interface valid once its label is gone, for as long as the window
    // announces that it has gone; it is deleted right after.
    void leave() { m_leaving = true; }

    bool isValid() const override { return m_leaving || label() != nullptr; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override;

private:
    const BearingLabel *label() const;

    const PlotWindowAccessible *m_window; // deletes this interface before it goes
    qsizetype m_element;
    bool m_leaving = false;
};

// What a screen reader is given for a decorative control: an interface that is never
// valid, so that the control is nobody's child and Qt drops the events it raises, as
// the drag outline's showing and hiding.
class HiddenControlAccessible : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;
    bool isValid() const override { return false; }
};

// The main window's interface, a frame named by its title: its controls as any
// widget reports them, less the decorative ones, then one child per visible bearing
// label, in leg order. Label interfaces are made on demand and kept by element of
// `proa`; those of labels that no longer exist are deleted after every redraw (see
// labelsRedrawn) and all of them when the window goes.
class PlotWindowAccessible : public QAccessibleWidget
{
public:
    explicit PlotWindowAccessible(Form1 *form)
        : QAccessibleWidget(form, QAccessible::Window)
        , m_labelCount(labels() ? qsizetype(labels()->size()) - 1 : 0)
    {
    }

    // The window's labels, or null once the window is being destroyed.
    const std::vector<BearingLabel> *labels() const
    {
        return isValid() ? &static_cast<const Form1 *>(widget())->proa : nullptr;
    }
    const Form1 *form() const { return static_cast<const Form1 *>(widget()); }

    int childCount() const override
    {
        refreshShown();
        return controlCount() + int(m_shown.size());
    }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0)
            return nullptr;
        const int controls = controlCount();
        if (index < controls)
            return shownControls().at(index);
        const qsizetype element = shownElement(index - controls);
        return element > 0 ? labelInterface(element) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *label = dynamic_cast<const BearingLabelAccessible *>(child);
        if (!label)
            return int(shownControls().indexOf(child));
        if (label->owner() != this || !label->isValid())
            return -1;
        qsizetype position = shownPosition(label->element());
        if (position < 0) {
            refreshShown();
            position = shownPosition(label->element());
        }
        return position < 0 ? -1 : controlCount() + int(position);
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const std::vector<BearingLabel> *proa = labels();
        if (!proa)
            return nullptr;
        const QPoint global(x, y);
        // The controls stand above the plot, the later ones above the earlier.
        const QList<QAccessibleInterface *> controls = shownControls();
        for (auto it = controls.crbegin(); it != controls.crend(); ++it) {
            const auto *widget = qobject_cast<const QWidget *>((*it)->object());
            if (widget && !widget->isHidden() && (*it)->rect().contains(global))
                return *it;
        }
        // A later label covers an earlier one.
        const QPoint local = form()->mapFromGlobal(global);
        for (qsizetype k = qsizetype(proa->size()) - 1; k > 0; --k) {
            const BearingLabel &label = (*proa)[std::size_t(k)];
            if (label.visible && label.rect.contains(local))
                return labelInterface(k);
        }
        return nullptr;
    }

    // After a redraw: announces the labels it has added, a leg included, and those it
    // has taken away, a leg deleted, as children created and destroyed; then deletes
    // the interfaces of labels that are gone or hidden, so that nothing handed out for
    // them stays registered. Only a window on the screen announces, and only to a
    // screen reader: the start's course, drawn before the window is shown, is not read
    // out label by label.
    void labelsRedrawn()
    {
        const qsizetype before = m_labelCount;
        m_labelCount = labels() ? qsizetype(labels()->size()) - 1 : 0;
        // The list of shown labels is made again when next asked for.
        m_shown.clear();
        if (widget()->isVisible() && QAccessible::isActive()) {
            for (qsizetype element = before + 1; element <= m_labelCount; ++element) {
                if (isShown(element))
                    announce(labelInterface(element), QAccessible::ObjectCreated);
            }
            for (qsizetype element = m_labelCount + 1; element <= before; ++element)
                announceGone(element);
        }
        for (auto it = m_labelIds.begin(); it != m_labelIds.end();) {
            if (isShown(it.key())) {
                ++it;
                continue;
            }
            deleteRegistered(it.value(), it.key());
            it = m_labelIds.erase(it);
        }
    }

protected:
    ~PlotWindowAccessible() override
    {
        for (auto it = m_labelIds.cbegin(); it != m_labelIds.cend(); ++it)
            deleteRegistered(it.value(), it.key());
    }

private:
    // The controls a screen reader is shown: every child widget but the decorative ones.
    // Walking them takes a time that grows with the square of their number, so the
    // labels, which may be thousands, only count them.
    QList<QAccessibleInterface *> shownControls() const
    {
        QList<QAccessibleInterface *> shown;
        const int count = QAccessibleWidget::childCount();
        for (int i = 0; i < count; ++i) {
            if (QAccessibleInterface *control = QAccessibleWidget::child(i); control && control->isValid())
                shown.append(control);
        }
        return shown;
    }

    int controlCount() const
    {
        int hidden = 0;
        for (QObject *child : widget()->children()) {
            if (!child->isWidgetType())
                continue;
            if (const QAccessibleInterface *control = QAccessible::queryAccessibleInterface(child); control && !control->isValid())
                ++hidden;
        }
        return QAccessibleWidget::childCount() - hidden;
    }

    static void announce(QAccessibleInterface *iface, QAccessible::Event type)
    {
        QAccessibleEvent event(iface, type);
        QAccessible::updateAccessibility(&event);
    }

    // Announces that the label of `element`, which the redraw has taken away, has
    // gone: Qt tells only of a child that is still valid, so its interface stays valid
    // for the announcement and is deleted after it.
    void announceGone(qsizetype element)
    {
        BearingLabelAccessible *label = nullptr;
        if (const auto found = m_labelIds.constFind(element); found != m_labelIds.cend())
            label = registeredLabel(found.value(), element);
        if (!label) {
            label = new BearingLabelAccessible(this, element);
            m_labelIds.insert(element, QAccessible::registerAccessibleInterface(label));
        }
        label->leave();
        announce(label, QAccessible::ObjectDestroyed);
        deleteRegistered(m_labelIds.take(element), element);
    }

    // The label interface registered under `id`, or null when the cache has let it
    // go already (at the program's end it deletes everything it holds, in no
    // particular order) and may have given the id to another interface since.
    BearingLabelAccessible *registeredLabel(QAccessible::Id id, qsizetype element) const
    {
        auto *label = dynamic_cast<BearingLabelAccessible *>(QAccessible::accessibleInterface(id));
        return label && label->owner() == this && label->element() == element ? label : nullptr;
    }

    void deleteRegistered(QAccessible::Id id, qsizetype element) const
    {
        if (registeredLabel(id, element))
            QAccessible::deleteAccessibleInterface(id);
    }

    bool isShown(qsizetype element) const
    {
        const std::vector<BearingLabel> *proa = labels();
        return proa && element > 0 && element < qsizetype(proa->size()) && (*proa)[std::size_t(element)].visible;
    }

    // Lists the elements of the visible labels after the template, in leg order.
    void refreshShown() const
    {
        m_shown.clear();
        const std::vector<BearingLabel> *proa = labels();
        if (!proa)
            return;
        for (std::size_t k = 1; k < proa->size(); ++k) {
            if ((*proa)[k].visible)
                m_shown.push_back(qsizetype(k));
        }
    }

    // The element of the label at `position` among the visible ones, or 0. The list
    // from the last count is used while it still names visible labels, so that
    // walking every child after one count stays linear.
    qsizetype shownElement(qsizetype position) const
    {
        if (position < 0)
            return 0;
        if (position >= qsizetype(m_shown.size()) || !isShown(m_shown[std::size_t(position)]))
            refreshShown();
        return position < qsizetype(m_shown.size()) ? m_shown[std::size_t(position)] : 0;
    }

    qsizetype shownPosition(qsizetype element) const
    {
        const auto it = std::lower_bound(m_shown.begin(), m_shown.end(), element);
        return it != m_shown.end() && *it == element ? qsizetype(it - m_shown.begin()) : -1;
    }

    QAccessibleInterface *labelInterface(qsizetype element) const
    {
        if (const auto found = m_labelIds.constFind(element); found != m_labelIds.cend()) {
            if (BearingLabelAccessible *known = registeredLabel(found.value(), element))
                return known;
        }
        auto *created = new BearingLabelAccessible(this, element);
        m_labelIds.insert(element, QAccessible::registerAccessibleInterface(created));
        return created;
    }

    mutable std::vector<qsizetype> m_shown; // elements of `proa`, ascending
    mutable QHash<qsizetype, QAccessible::Id> m_labelIds;
    qsizetype m_labelCount; // labels after the last redraw, the template left out
};

const BearingLabel *BearingLabelAccessible::label() const
{
    const std::vector<BearingLabel> *proa = m_window->labels();
    if (!proa || m_element <= 0 || m_element >= qsizetype(proa->size()))
        return nullptr;
    const BearingLabel &label = (*proa)[std::size_t(m_element)];
    return label.visible ? &label : nullptr;
}

QWindow *BearingLabelAccessible::window() const
{
    return m_window->window();
}

QAccessibleInterface *BearingLabelAccessible::parent() const
{
    return const_cast<PlotWindowAccessible *>(m_window);
}

QString BearingLabelAccessible::text(QAccessible::Text t) const
{
    const BearingLabel *shown = label();
    if (!shown)
        return {};
    switch (t) {
    case QAccessible::Name: {
        // The leg as the lists hold it. Only a label left on the surface after its leg
        // was deleted, while the scale refused the redraw, is named by its text alone.
        const QStringList &bearings = m_window->form()->bearings();
        const QStringList &distances = m_window->form()->distances();
        const qsizetype leg = m_element - 1;
        if (leg < bearings.size() && leg < distances.size())
            return legName(int(m_element), bearings.at(leg), distances.at(leg));
        return QStringLiteral("Trecho %1: %2º").arg(QString::number(m_element), shown->text);
    }
    case QAccessible::Description:
        return QStringLiteral("Direção do trecho %1, em graus").arg(m_element);
    default:
        return {};
    }
}

QRect BearingLabelAccessible::rect() const
{
    const BearingLabel *shown = label();
    if (!shown)
        return {};
    return QRect(m_window->form()->mapToGlobal(shown->rect.topLeft()), shown->rect.size());
}

QAccessible::State BearingLabelAccessible::state() const
{
    QAccessible::State state;
    const BearingLabel *shown = label();
    state.invisible = shown == nullptr;
    state.offscreen = !shown || !m_window->form()->rect().intersects(shown->rect);
    return state;
}

QAccessibleInterface *plotWindowFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(Form1::staticMetaObject.className()))
        return new PlotWindowAccessible(static_cast<Form1 *>(object));
    if (object->isWidgetType() && isDecorative(*object))
        return new HiddenControlAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

void installPlotWindowAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(plotWindowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void bearingLabelsChanged(Form1 &form)
{
    if (auto *window = dynamic_cast<PlotWindowAccessible *>(QAccessible::queryAccessibleInterface(&form)))
        window->labelsRedrawn();
}

QString legName(int legNumber, const QString &bearing, const QString &distance)
{
    return QStringLiteral("Trecho %1: %2º, %3 m").arg(QString::number(legNumber), bearing, distance);
}

} // namespace trevanto
