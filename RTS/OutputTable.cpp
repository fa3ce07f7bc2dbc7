#include "RTS/OutputTable.h"

#include "MakeDBF/MakeDBF.h"
#include "Utils/Utils.h"
#include "tableaccess/Query.h"

namespace rts {

const std::array<OutputField, 12> OutputTableFields = {{
    {"CLIENTID", 'C', 16, 0},
    {"TICKER", 'C', 50, 0},
    {"OPERTYPE", 'N', 6, 0},
    {"PRICE", 'N', 20, 5},
    {"QTY", 'N', 20, 5},
    {"DATES", 'D', 8, 0},
    {"SDEL", 'C', 11, 0},
    {"BROCID", 'C', 16, 0},
    {"DEALPLACE", 'N', 2, 0},
    {"SHAREPLACE", 'N', 2, 0},
    {"BUYID", 'C', 16, 0},
    {"VAL", 'C', 3, 0},
}};

const char* const ViewOutSQL = "select CLIENTID,TICKER,OPERTYPE,PRICE,QTY,DATES,SDEL,BROCID,VAL from %M";

const std::vector<std::string> InsOutSQL = {
    "insert into %M (CLIENTID,TICKER,OPERTYPE,PRICE,QTY,DATES,SDEL,BROCID,VAL)",
    "values",
    "(:CLIENTID,:TICKER,:OPERTYPE,:PRICE,:QTY,:DATE,:SDEL,:BROCID,:VAL)",
};

OutputTablePath DeriveOutputTablePath(const std::string& outFileName) {
  OutputTablePath p;
  p.path = outFileName;
  if (!p.path.empty() && p.path[0] == '"') {
    p.path = CopyFrom(p.path, 2, 256);
    if (!p.path.empty()) p.path.pop_back();
  }
  const int slash = LastPos("/", p.path);
  // The folder of "/out.dbf" is the root folder, not the current one.
  if (slash == 1) p.directory.assign(1, '/');
  else if (slash > 1) p.directory = p.path.substr(0, static_cast<size_t>(slash - 1));
  const std::string file = slash > 0 ? CopyFrom(p.path, slash + 1, 0) : p.path;
  const int dot = LastPos(".", file);
  if (dot > 1) p.tableName = CopyFrom(file, 1, dot - 1);
  return p;
}

bool CreateOutputTable(const std::string& path) {
  TDBF dbf;
  for (const auto& f : OutputTableFields) dbf.AddField(f.name, f.type, f.width, f.decimals);
  dbf.FileName = path;
  return dbf.CreateTable();
}

std::string SelectAllStatement(const std::string& tableName) { return "select * from \"" + tableName + "\""; }
std::string DeleteAllStatement(const std::string& tableName) { return "delete from \"" + tableName + "\""; }

bool HasOutputTableFormat(TQuery& query, const std::string& tableName) {
  query.SetSQL(SelectAllStatement(tableName));
  query.Open();
  const std::vector<std::string> names = query.FieldNames();
  query.Close();
  if (names.size() < OutputTableFields.size()) return false;
  for (size_t i = 0; i < OutputTableFields.size(); ++i)
    if (names[i] != OutputTableFields[i].name) return false;
  return true;
}

void EmptyOutputTable(TQuery& query, const std::string& tableName) {
  query.SetSQL(DeleteAllStatement(tableName));
  query.ExecSQL();
}

}  // namespace rts
