#pragma once
// The fake Client's record: one line per event, "<pid> <kind> <value>\n",
// appended to "zvkclient_record.txt" beside the fake Client's executable.
// Kinds: start, cmdline, args, cwd, ready, pipe, exit. Values are bytes
// (UTF-8 for text, raw for pipe messages) with every byte outside printable
// ASCII written as \xHH and the backslash doubled. Portable, so that tests on
// any side can read it.

#include <string>
#include <vector>

namespace fake_client {

extern const char kRecordFileName[];  // "zvkclient_record.txt"

struct RecordLine {
  unsigned long pid = 0;
  std::string kind;
  std::string value;  // unescaped bytes
};

std::string EscapeRecordValue(const std::string& bytes);
std::string UnescapeRecordValue(const std::string& escaped);
std::string FormatRecordLine(unsigned long pid, const std::string& kind, const std::string& bytes);

// Lines that do not have the form above are skipped.
std::vector<RecordLine> ParseRecord(const std::string& text);

}  // namespace fake_client
