#include "ReportListModel.h"

#include "ReportWorker.h"

#include "reports/Interruption.h"
#include "reports/ReportError.h"
#include "reports/RowCount.h"

#include <QFile>

#include <algorithm>

using trawler::reports::Interruption;
using trawler::reports::ReportCursor;
using trawler::reports::ReportError;
using trawler::reports::Row;

ReportListModel::ReportListModel(const std::vector<std::string>& titles, QObject* parent)
    : QAbstractTableModel(parent), m_reader(new ReportWorker(this)), m_counter(new ReportWorker(this))
{
    connect(m_reader, &ReportWorker::busyChanged, this, &ReportListModel::emitBusy);
    connect(m_counter, &ReportWorker::busyChanged, this, &ReportListModel::emitBusy);
    for (const std::string& title : titles)
        m_titles << QString::fromStdString(title);
}

ReportListModel::~ReportListModel() = default;

void ReportListModel::setCursor(ReportCursor cursor)
{
    m_cursor = std::make_shared<ReportCursor>(std::move(cursor));
    m_failed = false;
    if (m_cursor->atEnd())
        setTotal(m_rows.size());
}

void ReportListModel::readInBackground(const QString& dbPath)
{
    m_background = true;
    m_dbPath = dbPath;
    if (!m_cursor || m_total || m_failed)
        return;
    const std::string path = QFile::encodeName(dbPath).toStdString();
    const std::string sql = m_cursor->sql();
    m_counter->start([this, path, sql](Interruption& interruption) -> ReportWorker::Continuation {
        std::optional<std::size_t> count;
        try {
            count = trawler::reports::countRows(path, sql, &interruption);
        } catch (const ReportError&) {
            // Without a count the list grows as it is read, as it always could.
        }
        return [this, count] {
            if (count && !m_total)
                setTotal(*count);
        };
    });
}

std::optional<std::size_t> ReportListModel::totalRows() const
{
    return m_total;
}

bool ReportListModel::isBusy() const
{
    return m_reader->isBusy() || m_counter->isBusy();
}

void ReportListModel::emitBusy()
{
    emit busyChanged(isBusy());
}

void ReportListModel::cancel()
{
    const bool reading = m_reader->isBusy();
    m_reader->cancel();
    m_counter->cancel();
    if (reading || m_fetching) {
        // The worker may still hold the cursor until its interrupted
        // statement returns: the list ends with the rows read so far.
        m_fetching = false;
        m_failed = true;
        m_cursor.reset();
        setTotal(m_rows.size());
    }
}

void ReportListModel::setTotal(std::size_t total)
{
    const bool changed = !m_total || *m_total != total;
    m_total = total;
    // Rows of a cursor that has not yet ended are shown even if the count,
    // taken on another connection, fell short of them.
    const bool ended = m_failed || !m_cursor || (!m_fetching && m_cursor->atEnd());
    const std::size_t shown = ended && !m_fetching ? m_rows.size() : std::max(total, m_rows.size());
    const int target = int(std::min<std::size_t>(shown, std::size_t(INT32_MAX)));
    if (target > m_shownRows) {
        beginInsertRows(QModelIndex(), m_shownRows, target - 1);
        m_shownRows = target;
        endInsertRows();
    } else if (target < m_shownRows) {
        beginRemoveRows(QModelIndex(), target, m_shownRows - 1);
        m_shownRows = target;
        endRemoveRows();
    }
    if (changed)
        emit totalKnown(qulonglong(total));
}

void ReportListModel::appendRows(std::vector<Row> rows, const std::vector<bool>& flagged)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m_rows.push_back(std::move(rows[i]));
        m_flagged.push_back(i < flagged.size() && flagged[i]);
    }
    const int last = int(m_rows.size()) - 1;
    // Rows the list already counted get their text; the others join it.
    if (first < m_shownRows)
        emit dataChanged(index(first, 0), index(std::min(last, m_shownRows - 1), columnCount() - 1));
    if (last >= m_shownRows) {
        beginInsertRows(QModelIndex(), m_shownRows, last);
        m_shownRows = last + 1;
        endInsertRows();
    }
}

void ReportListModel::requestRows(std::size_t upTo)
{
    m_wanted = std::max(m_wanted, upTo);
    if (m_fetching || m_failed || !m_cursor || m_cursor->atEnd() || m_wanted <= m_rows.size())
        return;
    m_fetching = true;
    const std::size_t count = std::max(m_wanted - m_rows.size(), kBatch);
    std::shared_ptr<ReportCursor> cursor = m_cursor;
    m_reader->start([this, cursor, count](Interruption& interruption) -> ReportWorker::Continuation {
        std::vector<Row> rows;
        QString failure;
        try {
            Interruption::Scope scope(&interruption, cursor->connection());
            cursor->fetch(count, rows);
        } catch (const ReportError& e) {
            failure = QString::fromStdString(e.what());
        }
        return [this, rows = std::move(rows), failure]() mutable { receiveRows(std::move(rows), failure); };
    });
}

void ReportListModel::receiveRows(std::vector<Row> rows, const QString& failure)
{
    m_fetching = false;
    appendRows(std::move(rows));
    if (!failure.isEmpty()) {
        m_failed = true;
        setTotal(m_rows.size());
        emit fetchFailed(failure);
        return;
    }
    if (m_cursor->atEnd()) {
        setTotal(m_rows.size());
        return;
    }
    requestRows(m_wanted);
}

std::size_t ReportListModel::fetchBatch(std::size_t maxRows)
{
    if (m_fetching || !m_cursor || m_cursor->atEnd())
        return 0;
    std::vector<Row> batch;
    batch.reserve(maxRows);
    try {
        m_cursor->fetch(maxRows, batch);
    } catch (const ReportError&) {
        // The rows read before the failure are listed all the same.
        m_failed = true;
        appendRows(std::move(batch));
        throw;
    }
    const std::size_t added = batch.size();
    appendRows(std::move(batch));
    if (m_cursor->atEnd())
        setTotal(m_rows.size());
    return added;
}

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int ReportListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_titles.size());
}

QString ReportListModel::cellText(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= int(m_rows[row].size()))
        return {};
    const auto& cell = m_rows[row][column];
    return cell ? QString::fromStdString(*cell) : QString();
}

bool ReportListModel::isNull(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= int(m_rows[row].size()))
        return true;
    return !m_rows[row][column].has_value();
}

bool ReportListModel::isFlagged(int row) const
{
    return row >= 0 && row < int(m_flagged.size()) && m_flagged[row];
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.row() >= int(m_rows.size()) && m_background) {
        // A counted row not read yet: asked for once painting is over.
        const std::size_t upTo = std::size_t(index.row()) + kBatch;
        auto* self = const_cast<ReportListModel*>(this);
        QMetaObject::invokeMethod(self, [self, upTo] { self->requestRows(upTo); }, Qt::QueuedConnection);
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::ToolTipRole:
        // Shown by the list only for a cell whose text is cut.
        return cellText(index.row(), index.column());
    case Qt::ForegroundRole:
        return QColor::fromRgb(isFlagged(index.row()) ? kChangedText : kText);
    default:
        return {};
    }
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_titles.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_titles[section];
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

bool ReportListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_failed && !m_fetching && m_cursor && !m_cursor->atEnd() &&
           std::size_t(m_shownRows) <= m_rows.size();
}

void ReportListModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    if (m_background) {
        requestRows(m_rows.size() + kBatch);
        return;
    }
    try {
        fetchBatch();
    } catch (const ReportError& e) {
        emit fetchFailed(QString::fromStdString(e.what()));
    }
}
