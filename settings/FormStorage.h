// The stored form of a window: its placement and chosen control values in
// one section of the settings file (for the main window, "TRTSForm").
//
// The window code reads its geometry and controls into plain values and
// hands them here; restoring gives the values back to apply.  Keys are
// written in a fixed order: FormVersion, Flags, ShowCmd, PixelsPerInch,
// MinMaxPos(WxH), MinMaxPos, NormPos(WxH), NormPos, Visible, then each
// control value under "<control>_<property>".
#pragma once

#include <string>
#include <vector>

#include "settings/IniFile.h"

namespace rts {

// A window placement in the platform's terms.  pixelsPerInch, screenW and
// screenH describe the screen: on saving, the one the window is on; on
// restoring, the current one (they are never overwritten by RestoreForm).
struct FormPlacement {
  int flags = 0, showCmd = 1, pixelsPerInch = 96, screenW = 0, screenH = 0;
  int minX = -1, minY = -1, maxX = -1, maxY = -1;  // minimized and maximized positions
  int left = 0, top = 0, right = 0, bottom = 0;    // normal bounds
};

// One stored control value: key "<control>_<property>" and its text
// ("True"/"False" for a check box, the decimal item index of a radio group).
struct StoredValue {
  std::string key;
  std::string text;
};
using StoredValues = std::vector<StoredValue>;

// Replaces the section with the placement and the values (texts trimmed of
// blanks), in the order above.  `visible` is true when saving while the
// window is being destroyed.  Does not save the file.
void SaveForm(IniFile& ini, const std::string& section, const FormPlacement& placement,
              bool visible, const StoredValues& values);

// Applies what the section holds: "Flags", "ShowCmd" and the minimized and
// maximized positions when present; the normal bounds only when the stored
// "PixelsPerInch" equals placement.pixelsPerInch (a missing one counts as
// equal).  The key for the current screen size ("NormPos(1024x768)") is
// taken before the plain one.  Each value whose key is stored gets the
// stored text, trimmed; a missing key or a malformed position leaves the
// value as it was.  Returns false, changing nothing, when "FormVersion" is
// below 0.
bool RestoreForm(const IniFile& ini, const std::string& section, FormPlacement& placement,
                 StoredValues& values);

}  // namespace rts
