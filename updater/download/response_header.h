#pragma once
// What one HTTP exchange learned from its response head.

#include <cstdint>
#include <string>

struct ResponseHeader {
  std::string version;
  std::int32_t statusCode = -1;
  std::string headerText;  // the head up to, not including, the blank line
  std::string contentType;
  std::string lastModified;
  std::string location;
  std::int32_t contentLength = 0;
  // Full size of the resource: Content-Length, replaced by a non-zero
  // Content-Range total. 0 when any size in the head was unusable.
  std::int32_t totalLength = 0;
  std::int32_t contentRangeBegin = 0;
  // A size in the head was negative, unparsable or did not fit the 32-bit
  // sizes of the engine (2 GiB or more).
  bool sizeUnusable = false;
};

// Fills header from the first headEnd bytes of buffer, headEnd being the
// position of the first "\r\n\r\n". Returns true for status 200 or 206 and
// then erases the head and its blank line from buffer, leaving only body
// bytes. Otherwise writes the reason to standard output and returns false; a
// 416 answer also deletes update.td in the updater's folder.
bool ParseResponseHeader(ResponseHeader& header, std::string& buffer, std::size_t headEnd);

// Decimal value of a size field as the C library's atoi reads it (leading
// blanks, optional sign, digits up to the first non-digit). Returns false for
// text without digits, negative values and values of 2^31 or more.
bool ParseSizeField(const std::string& text, std::int32_t& value);
