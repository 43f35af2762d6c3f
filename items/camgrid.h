#ifndef CAMGRID_H
#define CAMGRID_H

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QVector>

#include <cmath>

class CamGraphicsItem;

/*
 * Cameras by position, so that the cameras in one part of the map are found
 * without looking at all of them. Positions are in degrees, in square cells
 * of CellDegrees; only cells that hold a camera take memory. Each camera
 * carries the order in which it was entered, which is the order the scene
 * stacks cameras of equal z value.
 *
 * A container only: it neither reads nor changes the cameras.
 */
class CamGrid
{
public:
    struct Entry
    {
        QPointF position;
        quint64 order;
        CamGraphicsItem *camera;
    };

    // A city's densest part holds a few dozen cameras per cell, and a view
    // at the closest zoom covers one or two cells.
    static constexpr double CellDegrees = 0.02;

    // Enters `camera` at `position`, stacked above all cameras entered before.
    void insert(CamGraphicsItem *camera, const QPointF &position);
    // Moves a camera entered at `from`; false when it is not there.
    bool move(CamGraphicsItem *camera, const QPointF &from, const QPointF &to);
    // Takes out a camera entered at `position`; false when it is not there.
    bool remove(CamGraphicsItem *camera, const QPointF &position);
    void clear();

    int size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // Spans every position entered since the grid was last empty; it does
    // not shrink when cameras leave. Null when the grid is empty.
    QRectF bounds() const;
    // The cameras whose position lies in `rect`, edges included, in the
    // order they were entered.
    QVector<Entry> within(const QRectF &rect) const;
    // Calls `visit` with every entry, in no particular order.
    template<typename Visit>
    void forEach(Visit visit) const
    {
        for (const Cell &cell : m_cells) {
            for (const Entry &entry : cell)
                visit(entry);
        }
    }
    // Whether `accept` holds for a camera whose position lies in `rect`.
    template<typename Predicate>
    bool any(const QRectF &rect, Predicate accept) const;

private:
    using Cell = QVector<Entry>;

    // Whether `position` lies in `area`, edges included; also for an area
    // of no width or height, which QRectF counts as holding nothing.
    static bool inside(const QRectF &area, const QPointF &position)
    {
        return position.x() >= area.left() && position.x() <= area.right()
               && position.y() >= area.top() && position.y() <= area.bottom();
    }
    static int cellIndex(double degrees);
    static quint64 cellKey(const QPointF &position);
    void extendBounds(const QPointF &position);
    // Calls `visit` with each cell that may hold a position in `area`
    // until it returns false.
    template<typename Visit>
    void visitCells(const QRectF &area, Visit visit) const;

    QHash<quint64, Cell> m_cells;
    double m_left = 0;
    double m_right = 0;
    double m_top = 0;
    double m_bottom = 0;
    quint64 m_nextOrder = 0;
    int m_size = 0;
};

inline int CamGrid::cellIndex(double degrees)
{
    // Positions a camera can hold are finite degrees; anything else is
    // kept in one cell rather than overflow.
    constexpr double Limit = 1.0e6;
    if (!(std::fabs(degrees) <= Limit * CellDegrees))
        return 0;
    return int(std::floor(degrees / CellDegrees));
}

inline quint64 CamGrid::cellKey(const QPointF &position)
{
    return (quint64(quint32(cellIndex(position.x()))) << 32) | quint32(cellIndex(position.y()));
}

template<typename Visit>
void CamGrid::visitCells(const QRectF &area, Visit visit) const
{
    if (m_size == 0
        || !(area.right() >= m_left && area.left() <= m_right && area.bottom() >= m_top
             && area.top() <= m_bottom)) {
        return;
    }
    const int left = cellIndex(std::max(area.left(), m_left));
    const int right = cellIndex(std::min(area.right(), m_right));
    const int top = cellIndex(std::max(area.top(), m_top));
    const int bottom = cellIndex(std::min(area.bottom(), m_bottom));
    // A large area spans more cells than the grid has: go through those.
    if (double(right - left + 1) * double(bottom - top + 1) > double(m_cells.size())) {
        for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it) {
            const int column = int(quint32(it.key() >> 32));
            const int row = int(quint32(it.key()));
            if (column >= left && column <= right && row >= top && row <= bottom
                && !visit(it.value())) {
                return;
            }
        }
        return;
    }
    for (int column = left; column <= right; ++column) {
        for (int row = top; row <= bottom; ++row) {
            const auto it = m_cells.constFind((quint64(quint32(column)) << 32) | quint32(row));
            if (it != m_cells.cend() && !visit(it.value()))
                return;
        }
    }
}

template<typename Predicate>
bool CamGrid::any(const QRectF &rect, Predicate accept) const
{
    bool found = false;
    const QRectF area = rect.normalized();
    visitCells(area, [&](const Cell &cell) {
        for (const Entry &entry : cell) {
            if (inside(area, entry.position) && accept(entry)) {
                found = true;
                return false;
            }
        }
        return true;
    });
    return found;
}

#endif // CAMGRID_H
