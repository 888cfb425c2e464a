#include "leglist.h"

int LegList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant LegList::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count())
        return {};
    // The list is a few characters wide; laying out a text of millions of characters,
    // which only an edited file can hold, would take its size many times over.
    const QString &item = m_items.at(index.row());
    return item.size() > MaxShown ? item.left(MaxShown) : item;
}

void LegList::append(const QString &text)
{
    beginInsertRows(QModelIndex(), count(), count());
    m_items.append(text);
    endInsertRows();
}

void LegList::appendAll(const QStringList &texts)
{
    if (texts.isEmpty())
        return;
    // One reset tells the view about a whole course at once.
    beginResetModel();
    m_items.append(texts);
    endResetModel();
}

void LegList::removeLast()
{
    if (m_items.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), count() - 1, count() - 1);
    m_items.removeLast();
    endRemoveRows();
}
