#pragma once
// The updater's command line: switches "-key=value" split once into a map.
// One switch character ('-'), one separator ('='), one quote ('"'); an
// unquoted value ends at the next space. Keys are compared without regard to
// case; the first value given for a key wins.

#include <map>
#include <string>

class CCmdLineParser {
 public:
  using ValueMap = std::map<std::wstring, std::wstring>;

  // The case flag is accepted for the callers' sake, but keys are always
  // compared without regard to case. A null command line leaves the map empty.
  explicit CCmdLineParser(const wchar_t* cmdLine, bool caseSensitive = false);
  virtual ~CCmdLineParser() = default;

  // Replaces the stored line and its map. Null leaves everything unchanged and
  // returns false; otherwise returns true.
  bool Tokenize(const wchar_t* text);

  // True and the stored value when the key was given; false otherwise.
  bool Lookup(const std::wstring& key, std::wstring& value) const;

  // The stored value, or an empty string when the key was not given.
  std::wstring ValueOf(const std::wstring& key) const;

  const std::wstring& CommandLine() const { return cmdLine; }
  const ValueMap& Values() const { return values; }

 private:
  std::wstring NormalizedKey(std::wstring key) const;
  void Store(std::wstring key, std::wstring value);

  std::wstring cmdLine;
  ValueMap values;
  bool caseSensitive;
};
