#include "updater/download/response_header.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "updater/download/engine_settings.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool SameLetters(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

// The field's value: what follows the colon, without the blanks around it.
std::string FieldValue(const std::string& line, std::size_t colon) {
  std::size_t first = colon + 1;
  while (first < line.size() && IsBlank(line[first])) ++first;
  std::size_t last = line.size();
  while (last > first && IsBlank(line[last - 1])) --last;
  return line.substr(first, last - first);
}

// Every "Content-Length:" line sets the total, so whether the size is usable
// follows the line that set it last: an odd line early in the head (such as
// "X-Uncompressed-Content-Length:") does not spoil a good one after it.
void ReadSize(const std::string& text, std::int32_t& value, ResponseHeader& header) {
  header.sizeUnusable = !ParseSizeField(text, value);
  if (header.sizeUnusable) value = 0;
}

void ReadContentRange(const std::string& rest, ResponseHeader& header) {
  const auto dash = rest.find('-');
  std::int32_t begin = 0;
  // The first byte position only steers nothing; an odd one is read as 0.
  if (!ParseSizeField(rest.substr(0, dash), begin)) begin = 0;
  header.contentRangeBegin = begin;
  const auto slash = rest.find('/');
  if (slash == std::string::npos) return;
  std::int32_t total = 0;
  const std::string totalText = rest.substr(slash + 1);
  if (!ParseSizeField(totalText, total)) {
    // "*" and other unknown totals mean "not given"; only a number that is
    // out of range makes the head's size unusable.
    const auto digit = totalText.find_first_of("0123456789");
    if (digit != std::string::npos) header.sizeUnusable = true;
    return;
  }
  if (total != 0) {
    header.totalLength = total;
    header.sizeUnusable = false;
  }
}

// "bytes first-last/total", the unit in any letter case.
void ReadRangeValue(const std::string& value, ResponseHeader& header) {
  const auto blank = value.find_first_of(" \t");
  if (blank == std::string::npos || !SameLetters(value.substr(0, blank), "bytes")) return;
  ReadContentRange(FieldValue(value, blank), header);
}

// Field names are case-insensitive and stand at the start of their line, so
// "content-length:" counts and "X-Orig-Content-Length:" does not.
void ParseLine(const std::string& line, ResponseHeader& header) {
  const auto colon = line.find(':');
  if (colon == std::string::npos || colon == 0) return;
  const std::string name = line.substr(0, colon);
  const std::string value = FieldValue(line, colon);
  if (SameLetters(name, "Content-Type")) {
    header.contentType = value;
  } else if (SameLetters(name, "Location")) {
    header.location = value;
  } else if (SameLetters(name, "Content-Length")) {
    ReadSize(value, header.contentLength, header);
    header.totalLength = header.contentLength;
  } else if (SameLetters(name, "Last-Modified")) {
    header.lastModified = value;
  } else if (SameLetters(name, "Content-Range")) {
    ReadRangeValue(value, header);
  }
}

void ParseFields(ResponseHeader& header) {
  std::istringstream stream(header.headerText);
  stream >> header.version;
  long long code = -1;
  if (stream >> code && code >= INT32_MIN && code <= INT32_MAX) {
    header.statusCode = static_cast<std::int32_t>(code);
  } else {
    header.statusCode = -1;
  }
  stream.clear();
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ParseLine(line, header);
  }
  if (header.sizeUnusable) header.totalLength = 0;
}

}  // namespace

bool ParseSizeField(const std::string& text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t result = 0;
  std::size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    result = result * 10 + (text[i] - '0');
    if (result > INT32_MAX) return false;
  }
  if (digits == 0) return false;
  if (negative && result != 0) return false;
  value = static_cast<std::int32_t>(result);
  return true;
}

bool ParseResponseHeader(ResponseHeader& header, std::string& buffer, std::size_t headEnd) {
  if (headEnd > buffer.size()) headEnd = buffer.size();
  header.headerText = buffer.substr(0, headEnd);
  ParseFields(header);
  if (header.version.compare(0, 5, "HTTP/") != 0) {
    std::cout << "Invalid response\n" << std::flush;
    return false;
  }
  if (header.statusCode == 200 || header.statusCode == 206) {
    buffer.erase(0, std::min(buffer.size(), headEnd + 4));
    return true;
  }
  std::cout << "Response returned with status code " << header.statusCode << "\n" << std::flush;
  if (header.statusCode == 416) {
    std::error_code ignored;
    std::filesystem::remove(download::UpdaterFile("update.td"), ignored);
  }
  return false;
}
