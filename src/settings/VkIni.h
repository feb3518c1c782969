#pragma once
// Typed access to one INI file through the platform's profile functions. Nothing is parsed
// or cached here: every read and write is one GetPrivateProfileStringA or
// WritePrivateProfileStringA call on the file name given at construction.
#include <cstdint>
#include <string>
#include <utility>

class TVkIni {
 public:
  // Stores the file name (give a full path: a bare name is resolved by the platform's
  // profile rules). Touches no file.
  explicit TVkIni(std::string fileName) : fileName_(std::move(fileName)) {}
  // Flushes the platform's cached copy of the file.
  ~TVkIni() { Flush(); }
  TVkIni(const TVkIni&) = delete;
  TVkIni& operator=(const TVkIni&) = delete;

  const std::string& FileName() const { return fileName_; }

  // Makes the platform write out any cached copy of the file.
  void Flush() const;

  // The value of the key, of any length (the platform removes blanks around it and one pair
  // of matching quotes), or def, exactly as given, when the key is missing.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Writes the value as it is (an empty value keeps the key with an empty value).
  [[nodiscard]] bool WriteString(const std::string& section, const std::string& key, const std::string& value) const;

  // The value as an integer: leading blanks skipped, then decimal with an optional sign or
  // "$" and hexadecimal digits. def when the key is missing or the text is no integer.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
  // Decimal, or with hex "$" and upper-case hexadecimal digits without leading zeros
  // (a negative number as its 8-digit two's complement).
  [[nodiscard]] bool WriteInteger(const std::string& section, const std::string& key, std::int32_t value,
                                  bool hex = false) const;

  // True when the low 8 bits of the integer read are not all zero; def when the key is
  // missing or no integer.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  // "1" or "0".
  [[nodiscard]] bool WriteBool(const std::string& section, const std::string& key, bool value) const;

 private:
  std::string fileName_;
};

// The integer text of WriteInteger.
std::string IniIntegerText(std::int32_t value, bool hex);
// The conversion of ReadInteger: false, value untouched, when text is no integer.
bool ParseIniInteger(const std::string& text, std::int32_t& value);
