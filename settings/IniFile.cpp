#include "settings/IniFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "Utils/Convert.h"
#include "Utils/Text1251.h"

namespace rts {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A line break inside a name or value would split it into lines of its own
// (and forge keys) when the file is read back; it is stored as a blank.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;  // a missing file is an empty store
  std::ostringstream buf;
  buf << in.rdbuf();
  const std::string text = buf.str();

  Section* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string_view t = Trim(line);
    if (t.empty()) continue;
    if (t.front() == '[') {
      const size_t close = t.find(']');
      const std::string_view name = Trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1));
      current = FindSection(std::string(name));
      if (!current) {
        sections_.push_back(Section{std::string(name), {}});
        current = &sections_.back();
      }
      continue;
    }
    if (!current) continue;  // text before the first section is not read
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) continue;  // not a key line
    current->entries.emplace_back(std::string(Trim(t.substr(0, eq))), std::string(t.substr(eq + 1)));
  }
}

IniFile::Section* IniFile::FindSection(const std::string& name) {
  for (auto& s : sections_)
    if (SameText1251(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  for (const auto& s : sections_)
    if (SameText1251(s.name, name)) return &s;
  return nullptr;
}

bool IniFile::HasKey(const std::string& section, const std::string& key) const {
  const Section* s = FindSection(section);
  if (!s) return false;
  for (const auto& e : s->entries)
    if (SameText1251(e.first, key)) return true;
  return false;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  const Section* s = FindSection(section);
  if (!s) return def;
  for (const auto& e : s->entries)
    if (SameText1251(e.first, key)) return std::string(Trim(e.second));
  return def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  if (!HasKey(section, key)) return def;
  int32_t v = 0;
  return TryTextToInt32(ReadString(section, key, ""), v) ? v : def;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  if (!HasKey(section, key)) return def;
  const std::string v = ReadString(section, key, "");
  if (SameText1251(v, "True") || v == "1") return true;
  if (SameText1251(v, "False") || v == "0") return false;
  return def;
}

std::vector<std::string> IniFile::SectionKeys(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section)) {
    keys.reserve(s->entries.size());
    for (const auto& e : s->entries) keys.push_back(e.first);
  }
  return keys;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  const std::string name = std::string(Trim(OneLine(section)));
  const std::string k = std::string(Trim(OneLine(key)));
  Section* s = FindSection(name);
  if (!s) {
    sections_.push_back(Section{name, {}});
    s = &sections_.back();
  }
  for (auto& e : s->entries) {
    if (SameText1251(e.first, k)) {
      e.second = OneLine(value);
      return;
    }
  }
  s->entries.emplace_back(k, OneLine(value));
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "True" : "False");
}

void IniFile::EraseSection(const std::string& section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (SameText1251(it->name, section)) {
      sections_.erase(it);
      return;
    }
  }
}

void IniFile::Save() const {
  std::string text;
  for (const auto& s : sections_) {
    text += '[';
    text += s.name;
    text += "]\r\n";
    for (const auto& e : s.entries) {
      text += e.first;
      text += '=';
      text += e.second;
      text += "\r\n";
    }
  }

  auto fail = [this](const std::string& what) {
    throw std::runtime_error("Не могу записать файл настроек " + path_ + ": " + what);
  };
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path target(path_);
  if (target.has_parent_path()) {
    fs::create_directories(target.parent_path(), ec);
    if (ec) fail(ec.message());
  }
  const std::string tmp = path_ + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail(std::strerror(errno));
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ::unlink(tmp.c_str());
      fail(std::strerror(err));
    }
    done += static_cast<size_t>(n);
  }
  int err = ::fsync(fd) == 0 ? 0 : errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    fail(std::strerror(err));
  }
  if (::rename(tmp.c_str(), path_.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    fail(std::strerror(err));
  }
}

std::string DefaultSettingsPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/rts.INI";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/rts.INI";
}

}  // namespace rts
