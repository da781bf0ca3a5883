#include "updater/download/response_header.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "updater/download/engine_settings.h"

namespace {

std::string WithoutLeadingSpaces(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

// The value begins at the name's length counted from the start of the line,
// wherever in the line the name was found.
std::string ValueAfter(const std::string& line, std::size_t nameLength) {
  return line.size() > nameLength ? line.substr(nameLength) : std::string();
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

void ParseLine(const std::string& line, ResponseHeader& header) {
  if (line.find("Content-Type:") != std::string::npos) {
    header.contentType = WithoutLeadingSpaces(ValueAfter(line, 13));
  }
  if (line.find("Location:") != std::string::npos) {
    header.location = WithoutLeadingSpaces(ValueAfter(line, 9));
  }
  if (line.find("Content-Length:") != std::string::npos) {
    ReadSize(ValueAfter(line, 15), header.contentLength, header);
    header.totalLength = header.contentLength;
  }
  if (line.find("Last-Modified:") != std::string::npos) {
    header.lastModified = WithoutLeadingSpaces(ValueAfter(line, 14));
  }
  if (line.find("Content-Range: bytes") != std::string::npos) {
    ReadContentRange(ValueAfter(line, 20), header);
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
  if (header.statusCode == 416) std::remove(download::UpdaterFile("update.td").c_str());
  return false;
}
