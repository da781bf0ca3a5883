#include "client_record.h"

#include <cstdio>
#include <sstream>

namespace fake_client {

const char kRecordFileName[] = "zvkclient_record.txt";

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string EscapeRecordValue(const std::string& bytes) {
  std::string escaped;
  for (unsigned char c : bytes) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c >= 0x20 && c < 0x7f) {
      escaped.push_back(static_cast<char>(c));
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      escaped += hex;
    }
  }
  return escaped;
}

std::string UnescapeRecordValue(const std::string& escaped) {
  std::string bytes;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\\' && i + 1 < escaped.size() && escaped[i + 1] == '\\') {
      bytes.push_back('\\');
      ++i;
    } else if (escaped[i] == '\\' && i + 3 < escaped.size() && escaped[i + 1] == 'x' &&
               HexDigit(escaped[i + 2]) >= 0 && HexDigit(escaped[i + 3]) >= 0) {
      bytes.push_back(static_cast<char>(HexDigit(escaped[i + 2]) * 16 + HexDigit(escaped[i + 3])));
      i += 3;
    } else {
      bytes.push_back(escaped[i]);
    }
  }
  return bytes;
}

std::string FormatRecordLine(unsigned long pid, const std::string& kind, const std::string& bytes) {
  return std::to_string(pid) + " " + kind + " " + EscapeRecordValue(bytes) + "\n";
}

std::vector<RecordLine> ParseRecord(const std::string& text) {
  std::vector<RecordLine> lines;
  std::istringstream input(text);
  std::string line;
  while (std::getline(input, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto firstBlank = line.find(' ');
    const auto secondBlank = firstBlank == std::string::npos ? firstBlank : line.find(' ', firstBlank + 1);
    if (secondBlank == std::string::npos || firstBlank == 0) continue;
    RecordLine record;
    try {
      record.pid = std::stoul(line.substr(0, firstBlank));
    } catch (...) {
      continue;
    }
    record.kind = line.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    record.value = UnescapeRecordValue(line.substr(secondBlank + 1));
    lines.push_back(record);
  }
  return lines;
}

}  // namespace fake_client
