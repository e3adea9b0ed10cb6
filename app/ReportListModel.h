#pragma once
// The rows of a report or a free query, as a list shows them. Rows come from
// a running ReportCursor a batch at a time as the list scrolls, so a result
// of hundreds of thousands of rows neither stalls the window nor is held in
// widgets: the list only ever paints what is on screen.
#include "reports/ReportCursor.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class ReportWorker;

class ReportListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr QRgb kText = 0xff0000ff;      // RGB(0, 0, 255): every row
    static constexpr QRgb kChangedText = 0xffff0000; // RGB(255, 0, 0): a row the report flags
    // Rows fetched per step: a few screens of the list.
    static constexpr std::size_t kBatch = 256;

    explicit ReportListModel(const std::vector<std::string>& titles, QObject* parent = nullptr);
    ~ReportListModel() override;

    // Rows appended from now on come from the cursor, in its order.
    void setCursor(trawler::reports::ReportCursor cursor);
    trawler::reports::ReportCursor* cursor() { return m_fetching ? nullptr : m_cursor.get(); }

    // From now on further rows are read on a worker thread, and the rows of
    // the cursor's query are counted there over `dbPath`: once the count is
    // known the list has that many rows (the scroll bar covers them all) and
    // a row not yet read shows empty until it arrives.
    void readInBackground(const QString& dbPath);
    // The whole number of rows once known (counted or read to the end).
    std::optional<std::size_t> totalRows() const;
    // Rows read so far.
    std::size_t rowsRead() const { return m_rows.size(); }
    // True while rows are read or counted on the worker.
    bool isBusy() const;
    // Stops reading and counting; the rows read so far stay.
    void cancel();

    // Appends rows that the caller fetched itself; flagged rows show in red.
    void appendRows(std::vector<trawler::reports::Row> rows, const std::vector<bool>& flagged = {});

    // Fetches the next batch now. A database failure keeps the rows fetched
    // before it, ends the cursor and is thrown on (ReportError).
    std::size_t fetchBatch(std::size_t maxRows = kBatch);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // The text of a cell as the list shows it; NULL is the empty text.
    QString cellText(int row, int column) const;
    bool isNull(int row, int column) const;
    bool isFlagged(int row) const;
    QStringList titles() const { return m_titles; }

signals:
    // The whole number of rows is known.
    void totalKnown(qulonglong rows);
    void busyChanged(bool busy);
    // A database failure while the list scrolled: the text to show. Emitted
    // once; the rows listed so far stay and no more come.
    void fetchFailed(const QString& description);

private:
    void requestRows(std::size_t upTo);
    void receiveRows(std::vector<trawler::reports::Row> rows, const QString& failure);
    void setTotal(std::size_t total);
    void emitBusy();

    QStringList m_titles;
    std::vector<trawler::reports::Row> m_rows;
    std::vector<bool> m_flagged;
    // Shared with a read running on the worker; untouched here meanwhile.
    std::shared_ptr<trawler::reports::ReportCursor> m_cursor;
    bool m_failed = false;
    QString m_dbPath;
    bool m_background = false;
    bool m_fetching = false;
    std::size_t m_wanted = 0;            // rows the view has asked for
    std::optional<std::size_t> m_total;
    int m_shownRows = 0;                 // rows the view has been told of
    ReportWorker* m_reader = nullptr;
    ReportWorker* m_counter = nullptr;
};
