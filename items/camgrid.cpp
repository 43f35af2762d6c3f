#include "camgrid.h"

#include <algorithm>

void CamGrid::insert(CamGraphicsItem *camera, const QPointF &position)
{
    m_cells[cellKey(position)].append({position, m_nextOrder++, camera});
    extendBounds(position);
    ++m_size;
}

bool CamGrid::move(CamGraphicsItem *camera, const QPointF &from, const QPointF &to)
{
    const auto cell = m_cells.find(cellKey(from));
    if (cell == m_cells.end())
        return false;
    const auto entry = std::find_if(cell->begin(), cell->end(),
                                    [camera](const Entry &e) { return e.camera == camera; });
    if (entry == cell->end())
        return false;
    extendBounds(to);
    const quint64 toKey = cellKey(to);
    if (toKey == cell.key()) {
        entry->position = to;
        return true;
    }
    const Entry moved {to, entry->order, camera};
    cell->erase(entry);
    if (cell->isEmpty())
        m_cells.erase(cell);
    // Kept in order within the cell, so that what a query gives needs
    // little sorting.
    Cell &target = m_cells[toKey];
    target.insert(
        std::upper_bound(target.begin(), target.end(), moved,
                         [](const Entry &a, const Entry &b) { return a.order < b.order; }),
        moved);
    return true;
}

bool CamGrid::remove(CamGraphicsItem *camera, const QPointF &position)
{
    const auto cell = m_cells.find(cellKey(position));
    if (cell == m_cells.end())
        return false;
    const auto entry = std::find_if(cell->begin(), cell->end(),
                                    [camera](const Entry &e) { return e.camera == camera; });
    if (entry == cell->end())
        return false;
    cell->erase(entry);
    if (cell->isEmpty())
        m_cells.erase(cell);
    if (--m_size == 0)
        clear();
    return true;
}

void CamGrid::clear()
{
    m_cells.clear();
    m_size = 0;
}

QRectF CamGrid::bounds() const
{
    if (m_size == 0)
        return QRectF();
    return QRectF(QPointF(m_left, m_top), QPointF(m_right, m_bottom));
}

void CamGrid::extendBounds(const QPointF &position)
{
    if (!std::isfinite(position.x()) || !std::isfinite(position.y()))
        return;
    if (m_size == 0) {
        m_left = m_right = position.x();
        m_top = m_bottom = position.y();
        return;
    }
    m_left = std::min(m_left, position.x());
    m_right = std::max(m_right, position.x());
    m_top = std::min(m_top, position.y());
    m_bottom = std::max(m_bottom, position.y());
}

QVector<CamGrid::Entry> CamGrid::within(const QRectF &rect) const
{
    QVector<Entry> found;
    const QRectF area = rect.normalized();
    visitCells(area, [&](const Cell &cell) {
        for (const Entry &entry : cell) {
            if (inside(area, entry.position))
                found.append(entry);
        }
        return true;
    });
    std::sort(found.begin(), found.end(),
              [](const Entry &a, const Entry &b) { return a.order < b.order; });
    return found;
}
