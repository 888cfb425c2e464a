#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The items of one leg list, held as the texts the user typed. Appending and
// removing the last item are constant time, so a long course stays quick to edit.
class LegList : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QStringList &items() const { return m_items; }
    int count() const { return int(m_items.size()); }
    void append(const QString &text);
    void appendAll(const QStringList &texts);
    void removeLast();

private:
    static constexpr qsizetype MaxShown = 256; // characters of an item the list shows

    QStringList m_items;
};
