#include "cameralistdock.h"

#include "cameralayer.h"

#include <QGraphicsScene>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int CameraRole = Qt::UserRole + 1;
constexpr int ListedColumns = 3;
// The camera items' column of their players' state.
constexpr int StateColumn = 3;

QColor stateColour(const QString &key)
{
    if (key == QLatin1String("failed"))
        return QColor(198, 40, 40);
    if (key == QLatin1String("reconnecting") || key == QLatin1String("stale"))
        return QColor(214, 110, 0);
    if (key == QLatin1String("playing"))
        return QColor(46, 125, 50);
    return QColor();
}
} // namespace

CameraListDock::CameraListDock(QGraphicsScene *scene, QWidget *parent)
    : QDockWidget(tr("Cameras"), parent)
    , m_scene(scene)
    , m_filter(new QLineEdit)
    , m_tree(new QTreeWidget)
{
    setObjectName(QStringLiteral("cameraListDock"));
    m_filter->setObjectName(QStringLiteral("cameraFilter"));
    m_filter->setPlaceholderText(tr("Filter by name or address"));
    m_filter->setClearButtonEnabled(true);
    m_tree->setObjectName(QStringLiteral("cameraTree"));
    m_tree->setRootIsDecorated(false);
    m_tree->setHeaderLabels({tr("Name"), tr("Address"), tr("Type"), tr("Player")});
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(0, Qt::AscendingOrder);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_filter);
    layout->addWidget(m_tree);
    setWidget(content);

    connect(m_filter, &QLineEdit::textChanged, this, &CameraListDock::applyFilter);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CameraListDock::onCurrentItemChanged);
}

CameraListDock::~CameraListDock() = default;

int CameraListDock::rowCount() const
{
    return m_tree->topLevelItemCount();
}

void CameraListDock::refresh()
{
    m_refreshQueued = false;
    const QSignalBlocker blocker(m_tree);
    m_tree->setSortingEnabled(false);
    m_tree->clear();
    m_rows.clear();
    const QList<QObject *> cameras = CameraLayer::cameras(m_scene);
    // Rows are made apart from the tree and added at once: a row in the
    // tree announces each of its fields to the tree's view as it is set.
    QList<QTreeWidgetItem *> rows;
    rows.reserve(cameras.size());
    for (QObject *camera : cameras) {
        auto *row = new QTreeWidgetItem;
        rows.append(row);
        for (int column = 0; column < ListedColumns; ++column)
            row->setText(column,
                         CameraLayer::modelData(camera, column, Qt::DisplayRole).toString());
        showState(row, camera);
        m_rows.insert(camera, row);
        row->setIcon(0,
                     qvariant_cast<QIcon>(CameraLayer::modelData(camera, 0, Qt::DecorationRole)));
        row->setToolTip(0, CameraLayer::modelData(camera, 0, Qt::ToolTipRole).toString());
        row->setData(0, CameraRole, QVariant::fromValue(camera));
        // A camera deleted elsewhere (a list load, the dialog, the host)
        // must leave the list before anyone picks its row.
        connect(camera, &QObject::destroyed, this, &CameraListDock::scheduleRefresh,
                Qt::UniqueConnection);
    }
    m_tree->addTopLevelItems(rows);
    m_tree->setSortingEnabled(true);
    applyFilter();
}

void CameraListDock::updateCamera(QObject *camera)
{
    if (QTreeWidgetItem *row = m_rows.value(camera))
        showState(row, camera);
}

void CameraListDock::showState(QTreeWidgetItem *row, QObject *camera)
{
    row->setText(StateColumn,
                 CameraLayer::modelData(camera, StateColumn, Qt::DisplayRole).toString());
    const QColor colour =
        stateColour(CameraLayer::modelData(camera, StateColumn, Qt::UserRole).toString());
    row->setForeground(StateColumn, colour.isValid() ? QBrush(colour) : QBrush());
}

void CameraListDock::scheduleRefresh()
{
    if (!m_refreshQueued) {
        m_refreshQueued = true;
        QTimer::singleShot(0, this, &CameraListDock::refresh);
    }
}

void CameraListDock::applyFilter()
{
    const QString text = m_filter->text().trimmed();
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = m_tree->topLevelItem(i);
        const bool match = text.isEmpty() || row->text(0).contains(text, Qt::CaseInsensitive)
                           || row->text(1).contains(text, Qt::CaseInsensitive);
        // Each change costs the tree a look at its hidden rows: only changes.
        if (row->isHidden() == match)
            row->setHidden(!match);
    }
}

void CameraListDock::onCurrentItemChanged(QTreeWidgetItem *current)
{
    if (!current || m_refreshQueued)
        return;
    // A camera that went has queued a refresh: until then no row is taken,
    // so the rows' cameras are alive.
    QObject *camera = qvariant_cast<QObject *>(current->data(0, CameraRole));
    if (CameraLayer::isCamera(camera))
        emit cameraActivated(camera);
}
