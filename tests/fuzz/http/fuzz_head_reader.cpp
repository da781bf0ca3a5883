// The head reader fed by a fuzzed byte stream: the first byte of each record
// gives the length of one read, so heads split at every possible place. Once
// complete, the head goes through ParseResponseHeader as a transfer would.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/fuzz/http/fuzz_setup.h"
#include "updater/download/head_reader.h"
#include "updater/download/response_header.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetUpHttpFuzzing();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  HeadReader reader;
  std::string stream;
  std::size_t at = 0;
  while (at < size && reader.state() == HeadReader::State::kIncomplete) {
    const std::size_t want = 1 + data[at++] % 64;
    const std::size_t take = want < size - at ? want : size - at;
    reader.Append(reinterpret_cast<const char*>(data + at), take);
    stream.append(reinterpret_cast<const char*>(data + at), take);
    at += take;
  }
  if (reader.buffer() != stream) std::abort();
  if (reader.state() == HeadReader::State::kComplete) {
    const std::size_t end = reader.headEnd();
    if (stream.find("\r\n\r\n") != end || end + 4 > HeadReader::kMaxHeadBytes) std::abort();
    ResponseHeader header;
    ParseResponseHeader(header, reader.buffer(), end);
  } else if (reader.state() == HeadReader::State::kTooLarge) {
    const std::size_t found = stream.find("\r\n\r\n");
    if (found != std::string::npos && found + 4 <= HeadReader::kMaxHeadBytes) std::abort();
  }
  return 0;
}
