#include "ReportListModel.h"

#include "reports/ReportError.h"

using trawler::reports::ReportCursor;
using trawler::reports::ReportError;
using trawler::reports::Row;

ReportListModel::ReportListModel(const std::vector<std::string>& titles, QObject* parent)
    : QAbstractTableModel(parent)
{
    for (const std::string& title : titles)
        m_titles << QString::fromStdString(title);
}

ReportListModel::~ReportListModel() = default;

void ReportListModel::setCursor(ReportCursor cursor)
{
    m_cursor.emplace(std::move(cursor));
    m_failed = false;
}

void ReportListModel::appendRows(std::vector<Row> rows, const std::vector<bool>& flagged)
{
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(rows.size()) - 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m_rows.push_back(std::move(rows[i]));
        m_flagged.push_back(i < flagged.size() && flagged[i]);
    }
    endInsertRows();
}

std::size_t ReportListModel::fetchBatch(std::size_t maxRows)
{
    if (!m_cursor || m_cursor->atEnd())
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
    return added;
}

int ReportListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
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
    switch (role) {
    case Qt::DisplayRole:
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
    return !parent.isValid() && !m_failed && m_cursor && !m_cursor->atEnd();
}

void ReportListModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    try {
        fetchBatch();
    } catch (const ReportError& e) {
        emit fetchFailed(QString::fromStdString(e.what()));
    }
}
