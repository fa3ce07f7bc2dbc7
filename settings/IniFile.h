// The settings file: an INI store with the semantics of the private-profile
// functions.  Sections and keys are found without regard to letter case;
// values are trimmed; lines are written "key=value" with no blanks around
// "="; keys keep the order they were first written in; bytes are kept as
// they are (Windows-1251).  Save writes a temporary file and renames it over
// the old one, so a crash never leaves the file half written.
#pragma once

#include <string>
#include <vector>

namespace rts {

class IniFile {
 public:
  // Reads the file when it exists (a missing file is an empty store).
  explicit IniFile(std::string path);
  const std::string& path() const { return path_; }

  bool HasKey(const std::string& section, const std::string& key) const;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  std::vector<std::string> SectionKeys(const std::string& section) const;

  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void EraseSection(const std::string& section);

  // Writes the store back to its file; throws std::runtime_error (UTF-8
  // message) when the file cannot be written.
  void Save() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;
  };
  Section* FindSection(const std::string& name);
  const Section* FindSection(const std::string& name) const;
  std::string path_;
  std::vector<Section> sections_;
};

// Where the settings file lives: rts.INI in $XDG_CONFIG_HOME, or in
// ~/.config when that is unset.
std::string DefaultSettingsPath();

}  // namespace rts
