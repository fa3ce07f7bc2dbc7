// The substitution and lot list: the operator's rules, one per line, that
// map report client codes to settlement accounts ("$" lines) and give lot
// sizes per security ("@" lines), parsed into two pairs of parallel lists.
//
// A line is "$" or "@" followed by entries, each ended by ";": codes
// separated by ",", then "=" and a whole number (the last "=" of an entry
// separates).  "$Z,AS,A=002;PP=003;" maps A, AS and Z (appended in that
// order, last code first) to "002" and PP to "003".  Values are kept as
// written.  Format errors are shown one by one through ErrorMess; parsing
// goes on with the next entry or line.
//
// The list is stored in a settings section as "Count" and "Item0" ..
// "Item<Count-1>".
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/IniFile.h"

namespace rts {

class ReplaceLists {
 public:
  // ReplaceFromList[i] maps to ReplaceToList[i]; LotCodeList[i] has the
  // lot size LotSizeList[i].  The lists of a pair always have one length.
  // After changing ReplaceFromList other than through this class, call
  // InvalidateIndex (appending alone is noticed).
  std::vector<std::string> ReplaceFromList, ReplaceToList;
  std::vector<std::string> LotCodeList, LotSizeList;

  // Parses one line of the list; lineNumber (1-based) is used in messages.
  void ParseReplaceLine(const std::string& line, int lineNumber);
  // Clears the four lists and parses the lines, numbering them from 1.
  void BuildFromLines(const std::vector<std::string>& lines);
  void Clear();

  // Index of the first item of ReplaceFromList equal to code without
  // regard to letter case (Windows-1251 Latin and Cyrillic), -1 when none.
  // Hashed: meant for a million look-ups.
  int FindReplace(std::string_view code) const;
  void InvalidateIndex() const;

 private:
  void ParseEntry(std::string_view entry, int lineNumber, bool lot);

  struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const;
  };
  struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  // Folded code -> first index; built on the first look-up after a change.
  mutable std::unordered_map<std::string, int, FoldedHash, FoldedEqual> index_;
  mutable size_t indexed_ = 0;  // items of ReplaceFromList in index_
};

// Reads a section written by WriteListSection into lines.  A missing or
// non-numeric "Count", or a negative one, leaves lines as they were;
// otherwise lines gets the "Item<i>" values for i = 0 .. Count-1 that are
// present, in order (missing items are skipped).
void ReadListSection(const IniFile& ini, const std::string& section, std::vector<std::string>& lines);
// Replaces the section with "Count" and "Item0" .. "Item<n-1>".
void WriteListSection(IniFile& ini, const std::string& section, const std::vector<std::string>& lines);

// The lines of a Windows-1251 text file (LF or CRLF line ends), one rule
// per line.  path is the operating system's name of the file.  Throws
// std::runtime_error (UTF-8 message) when the file cannot be read.
std::vector<std::string> ReadListFile(const std::string& path);

}  // namespace rts
