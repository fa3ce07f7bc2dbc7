// LiveQueryModel: a table model over a live query (TQuery::OpenLive), for the
// editable grid of the output table.
//
// The model never copies the table: the query keeps the record number of
// each row, and the model reads rows in pages when the view asks for them,
// keeping a few pages cached.  Edits go straight to the file through the
// engine: setData writes one field, insertRows appends blank records,
// removeRows deletes records.  A value the engine refuses (too long for its
// field, not a number) leaves the record unchanged; setData then returns
// false and engineError carries the engine's message.
//
// The caller owns the query and configures it (DatabaseName, SQL, macros);
// open() opens it live and throws rts::EDatabaseError when the engine fails,
// so the window can report it under its own heading.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rts {
class TQuery;
}

class LiveQueryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit LiveQueryModel(QObject* parent = nullptr);
  ~LiveQueryModel() override;

  // The query shown; not owned.  Setting it closes what the model showed.
  void setQuery(rts::TQuery* query);
  rts::TQuery* query() const { return query_; }

  // Opens the query live (closing it first) and shows its rows.
  // Throws rts::EDatabaseError; the model is then empty.
  void open();
  // Closes the query; the model shows nothing.
  void close();
  bool isOpen() const;

  // Number of records of the result, and its field names as stored.
  int recordCount() const;
  QStringList fieldNames() const;

  // The engine's message of the last refused edit.
  QString lastError() const { return lastError_; }

  // QAbstractTableModel
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  // Appends `count` blank records at the end (row must be rowCount()).
  bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
  // Deletes the records of rows row .. row+count-1.
  bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

 signals:
  void engineError(const QString& message);

 private:
  using Page = std::vector<std::vector<std::optional<std::string>>>;
  const Page* pageOf(int row) const;
  void dropPages();
  void refused(const QString& message);

  rts::TQuery* query_ = nullptr;
  int rows_ = 0;
  QStringList names_;
  mutable std::map<int, Page> pages_;  // page number -> rows
  mutable std::vector<int> pageOrder_;  // least recently used first
  QString lastError_;
};
