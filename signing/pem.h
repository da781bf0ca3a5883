#pragma once
// PEM text: the base64 of DER bytes between "-----BEGIN <label>-----" and
// "-----END <label>-----" lines, as key files carry them.

#include <cstdint>
#include <string>
#include <vector>

namespace signing {

enum class PemBlock {
  Found,   // `der` holds the decoded body
  Absent,  // no BEGIN/END pair with that label
  Broken,  // the pair is there, but its body is not base64
};

// Decodes the first block with the label (for example "PUBLIC KEY").
PemBlock FindPemBlock(const std::string& text, const std::string& label, std::vector<std::uint8_t>& der);

// The PEM text of DER bytes: base64 in lines of 64 characters.
std::string FormatPem(const std::string& label, const std::vector<std::uint8_t>& der);

}  // namespace signing
