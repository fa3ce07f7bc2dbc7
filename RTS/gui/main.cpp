// rts: the window program.  Reads no arguments.
#include "Elastic/TFansyGradientCaption.h"
#include "RTS/gui/RtsApplication.h"
#include "RTS/gui/TRTSForm.h"
#include "UtilMess/ShowMessDlg.h"
#include "UtilMess/gui/TMessDlg.h"
#include "Utils/Utils.h"

int main(int argc, char** argv) {
  rts::SetRussianDateNames();
  RtsApplication app(argc, argv);
  app.setApplicationName("rts");
  DialogPresenter presenter;
  rts::SetMessagePresenter(&presenter);
  int rc = 0;
  {
    TRTSForm form;
    presenter.setOwner(&form);
    TApplicationState::instance().setMainWindow(&form);
    form.show();
    rc = app.exec();
    presenter.setOwner(nullptr);
  }
  rts::SetMessagePresenter(nullptr);
  return rc;
}
