// What the main window owns behind its controls: the selection's and the
// substitution list's state, and the output table's view.
#pragma once

#include <string>

#include "RTS/ReplaceList.h"
#include "RTS/Selection.h"
#include "tableaccess/Query.h"
#include "tableaccess/gui/LiveQueryModel.h"

struct TRTSForm::Lists {
  rts::MarkedList marked;
  rts::ReplaceLists replace;
};

struct TRTSForm::Output {
  rts::TQuery ViewOutQuery;
  LiveQueryModel* model = nullptr;  // OutDataSource; owned by the window
  int insertedRow = -1;             // a record inserted in the grid, not yet filled
};
