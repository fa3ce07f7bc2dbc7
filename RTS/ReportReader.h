// The trade report reader: the exchange's end-of-day report, one trade per
// line, into the rows of the trade table.
//
// A line ends at LF; every CR is dropped; reading stops at the end of the
// file or at a Ctrl-Z where a line would begin.  Line 1 is a header.  Each
// further line is cleaned (lines of 2 characters or fewer dropped, NULs
// removed, runs of tabs made one tab, blank lines dropped) and cut into
// tokens at every single tab or space.  A client token "A-B" (or "A,B")
// gives two rows, the second with the opposite direction.  Cells keep the
// report's bytes.
#pragma once

#include <string>
#include <string_view>

#include "RTS/TradeTable.h"

namespace rts {

// The name of the file as the report field gives it (Windows-1251): a name
// that begins with a double quote loses it, is cut to 256 characters, and
// loses its last character (the closing quote).  Nothing else is trimmed.
std::string UnquoteFileName(std::string_view fieldText);

// Reads the report named by the report field's text into `table`.
// Returns false when no such file exists: then InfoMess tells so and the
// table is left as it was.  Otherwise the table is replaced by the report's
// trades and true is returned.  A read error empties the table and throws
// std::runtime_error (UTF-8 message).
bool ReadTradeReport(std::string_view fieldText, TradeTable& table);

// Appends the rows of one kept report line (already cleaned) to `table`;
// used by ReadTradeReport, and by tests for single lines.
void AddTradeLine(std::string_view line, TradeTable& table);

}  // namespace rts
