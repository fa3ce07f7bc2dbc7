#include "settings/FormStorage.h"

#include <cstdio>
#include <string_view>

#include "Utils/Convert.h"

namespace rts {

namespace {

std::string Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return std::string(s);
}

std::string ScreenKey(const char* name, const FormPlacement& p) {
  return std::string(name) + "(" + std::to_string(p.screenW) + "x" + std::to_string(p.screenH) + ")";
}

std::string Four(int a, int b, int c, int d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", a, b, c, d);
  return buf;
}

// "a,b,c,d" -> four integers; false when the text is not of that form.
bool ParseFour(const std::string& text, int (&out)[4]) {
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = i < 3 ? text.find(',', start) : text.size();
    if (comma == std::string::npos) return false;
    int32_t v = 0;
    if (!TryTextToInt32(Trimmed(std::string_view(text).substr(start, comma - start)), v)) return false;
    out[i] = v;
    start = comma + 1;
  }
  return true;
}

// The value of the key for the current screen size, else of the plain one
// (also when the first is empty or malformed); false when neither is
// stored in the right form.
bool ReadPosition(const IniFile& ini, const std::string& section, const char* name,
                  const FormPlacement& p, int (&out)[4]) {
  for (const std::string& key : {ScreenKey(name, p), std::string(name)}) {
    if (ini.HasKey(section, key) && ParseFour(ini.ReadString(section, key, ""), out)) return true;
  }
  return false;
}

}  // namespace

void SaveForm(IniFile& ini, const std::string& section, const FormPlacement& p, bool visible,
              const StoredValues& values) {
  ini.EraseSection(section);
  ini.WriteInteger(section, "FormVersion", 0);
  ini.WriteInteger(section, "Flags", p.flags);
  ini.WriteInteger(section, "ShowCmd", p.showCmd);
  ini.WriteInteger(section, "PixelsPerInch", p.pixelsPerInch);
  const std::string minMax = Four(p.minX, p.minY, p.maxX, p.maxY);
  ini.WriteString(section, ScreenKey("MinMaxPos", p), minMax);
  ini.WriteString(section, "MinMaxPos", minMax);
  const std::string norm = Four(p.left, p.top, p.right, p.bottom);
  ini.WriteString(section, ScreenKey("NormPos", p), norm);
  ini.WriteString(section, "NormPos", norm);
  ini.WriteString(section, "Visible", visible ? "1" : "0");
  for (const auto& v : values) ini.WriteString(section, v.key, Trimmed(v.text));
}

bool RestoreForm(const IniFile& ini, const std::string& section, FormPlacement& p,
                 StoredValues& values) {
  if (ini.ReadInteger(section, "FormVersion", 0) < 0) return false;
  p.flags = ini.ReadInteger(section, "Flags", p.flags);
  p.showCmd = ini.ReadInteger(section, "ShowCmd", p.showCmd);
  int pos[4];
  if (ReadPosition(ini, section, "MinMaxPos", p, pos)) {
    p.minX = pos[0], p.minY = pos[1], p.maxX = pos[2], p.maxY = pos[3];
  }
  const bool sameResolution =
      ini.ReadInteger(section, "PixelsPerInch", p.pixelsPerInch) == p.pixelsPerInch;
  if (sameResolution && ReadPosition(ini, section, "NormPos", p, pos)) {
    p.left = pos[0], p.top = pos[1], p.right = pos[2], p.bottom = pos[3];
  }
  for (auto& v : values) {
    if (ini.HasKey(section, v.key)) v.text = Trimmed(ini.ReadString(section, v.key, v.text));
  }
  return true;
}

}  // namespace rts
