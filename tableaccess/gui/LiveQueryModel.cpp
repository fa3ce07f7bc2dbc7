#include "tableaccess/gui/LiveQueryModel.h"

#include "Utils/Text1251.h"
#include "tableaccess/Query.h"

#include <algorithm>

namespace {

constexpr int kPageRows = 256;
constexpr size_t kPagesKept = 16;

QString FromBytes(const std::string& bytes) { return QString::fromStdString(rts::Cp1251ToUtf8(bytes)); }

std::string ToBytes(const QString& text) { return rts::Utf8ToCp1251(text.toStdString()); }

}  // namespace

LiveQueryModel::LiveQueryModel(QObject* parent) : QAbstractTableModel(parent) {}

LiveQueryModel::~LiveQueryModel() = default;

void LiveQueryModel::setQuery(rts::TQuery* query) {
  beginResetModel();
  query_ = query;
  rows_ = 0;
  names_.clear();
  dropPages();
  endResetModel();
}

void LiveQueryModel::open() {
  beginResetModel();
  rows_ = 0;
  names_.clear();
  dropPages();
  try {
    if (query_) {
      query_->OpenLive();
      rows_ = query_->RecordCount();
      for (const auto& n : query_->FieldNames()) names_ << FromBytes(n);
    }
  } catch (...) {
    rows_ = 0;
    names_.clear();
    endResetModel();
    throw;
  }
  endResetModel();
}

void LiveQueryModel::close() {
  beginResetModel();
  if (query_) query_->Close();
  rows_ = 0;
  names_.clear();
  dropPages();
  endResetModel();
}

bool LiveQueryModel::isOpen() const { return query_ && query_->Live(); }

int LiveQueryModel::recordCount() const { return rows_; }

QStringList LiveQueryModel::fieldNames() const { return names_; }

int LiveQueryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int LiveQueryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

void LiveQueryModel::dropPages() {
  pages_.clear();
  pageOrder_.clear();
}

// The page that holds `row`, read from the table when it is not cached.
const LiveQueryModel::Page* LiveQueryModel::pageOf(int row) const {
  const int number = row / kPageRows;
  auto it = pages_.find(number);
  if (it == pages_.end()) {
    Page page;
    const int first = number * kPageRows;
    const int last = std::min(rows_, first + kPageRows);
    const int columns = static_cast<int>(names_.size());
    try {
      for (int r = first; r < last; ++r) {
        query_->MoveTo(r);
        std::vector<std::optional<std::string>> values;
        values.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
          if (query_->FieldIsNull(c)) values.emplace_back();
          else values.emplace_back(query_->FieldText(c));
        }
        page.push_back(std::move(values));
      }
    } catch (const rts::EDatabaseError&) {
      return nullptr;  // the table went away under the grid; it shows blanks
    }
    if (pages_.size() >= kPagesKept && !pageOrder_.empty()) {
      pages_.erase(pageOrder_.front());
      pageOrder_.erase(pageOrder_.begin());
    }
    it = pages_.emplace(number, std::move(page)).first;
  } else {
    std::erase(pageOrder_, number);
  }
  pageOrder_.push_back(number);
  return &it->second;
}

QVariant LiveQueryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !query_ || index.row() >= rows_ || index.column() >= names_.size())
    return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const Page* page = pageOf(index.row());
  if (!page) return {};
  const size_t r = static_cast<size_t>(index.row() % kPageRows);
  if (r >= page->size()) return {};
  const auto& value = (*page)[r][static_cast<size_t>(index.column())];
  return value ? QVariant(FromBytes(*value)) : QVariant(QString());
}

QVariant LiveQueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) return section >= 0 && section < names_.size() ? names_[section] : QVariant();
  return section + 1;
}

Qt::ItemFlags LiveQueryModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

void LiveQueryModel::refused(const QString& message) {
  lastError_ = message;
  emit engineError(message);
}

bool LiveQueryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || !isOpen() || index.row() >= rows_) return false;
  try {
    query_->MoveTo(index.row());
    query_->SetFieldText(index.column(), ToBytes(value.toString()));
  } catch (const rts::EDatabaseError& e) {
    refused(QString::fromUtf8(e.what()));
    return false;
  }
  pages_.erase(index.row() / kPageRows);
  std::erase(pageOrder_, index.row() / kPageRows);
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  return true;
}

bool LiveQueryModel::insertRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || !isOpen() || row != rows_ || count < 1) return false;
  for (int i = 0; i < count; ++i) {
    try {
      query_->AppendRecord();
    } catch (const rts::EDatabaseError& e) {
      refused(QString::fromUtf8(e.what()));
      return false;
    }
    beginInsertRows(QModelIndex(), rows_, rows_);
    ++rows_;
    endInsertRows();
  }
  return true;
}

bool LiveQueryModel::removeRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || !isOpen() || row < 0 || count < 1 || row + count > rows_) return false;
  // From the last one up, so that the row numbers still to go stay put.
  for (int r = row + count - 1; r >= row; --r) {
    try {
      query_->MoveTo(r);
      query_->DeleteRecord();
    } catch (const rts::EDatabaseError& e) {
      refused(QString::fromUtf8(e.what()));
      return false;
    }
    beginRemoveRows(QModelIndex(), r, r);
    --rows_;
    dropPages();
    endRemoveRows();
  }
  return true;
}
