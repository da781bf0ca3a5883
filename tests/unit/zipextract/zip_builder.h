#pragma once
// Builds test archives with minizip's writer, and patches their bytes to make
// the broken archives the reader must survive.

#include <zip.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ziptest {

struct EntrySpec {
  EntrySpec(std::string entryName, std::string entryData, int entryMethod = Z_DEFLATED)
      : name(std::move(entryName)), data(std::move(entryData)), method(entryMethod) {}

  std::string name;
  std::string data;
  int method = Z_DEFLATED;          // 0 stored, Z_DEFLATED
  std::uint32_t versionMadeBy = 0;  // high byte: host (0 MS-DOS, 3 Unix)
  std::uint32_t externalAttributes = 0x20;
  std::uint32_t dosDateTime = 0x52A46000;  // 2021-05-04 12:00:00
  std::string localExtra;
  // Traditional PKWARE encryption with the empty password, stored data only.
  bool encrypted = false;
};

// The traditional PKWARE cipher, for writing encrypted test entries (the
// writer's own encryption assumes a crc table of unsigned long).
class PkwareEncoder {
 public:
  std::string encode(const std::string& plain) {
    std::string out;
    for (unsigned char c : plain) {
      const std::uint32_t temp = (keys_[2] & 0xFFFF) | 2;
      out.push_back(static_cast<char>(c ^ (((temp * (temp ^ 1)) >> 8) & 0xFF)));
      update(c);
    }
    return out;
  }

 private:
  static std::uint32_t Crc(std::uint32_t crc, unsigned char byte) {
    return static_cast<std::uint32_t>(get_crc_table()[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
  }
  void update(unsigned char c) {
    keys_[0] = Crc(keys_[0], c);
    keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
    keys_[2] = Crc(keys_[2], static_cast<unsigned char>(keys_[1] >> 24));
  }
  std::uint32_t keys_[3] = {0x12345678, 0x23456789, 0x34567890};
};

inline std::string EncryptWithEmptyPassword(const std::string& data, std::uint32_t crc) {
  std::string header = "0123456789";
  header.push_back(static_cast<char>((crc >> 16) & 0xFF));
  header.push_back(static_cast<char>(crc >> 24));
  return PkwareEncoder().encode(header + data);
}

inline std::string UtBlock(std::uint8_t flags, const std::vector<std::int32_t>& times) {
  std::string block = "UT";
  const std::uint16_t size = static_cast<std::uint16_t>(1 + 4 * times.size());
  block.push_back(static_cast<char>(size & 0xFF));
  block.push_back(static_cast<char>(size >> 8));
  block.push_back(static_cast<char>(flags));
  for (std::int32_t t : times) {
    const auto u = static_cast<std::uint32_t>(t);
    for (int shift = 0; shift < 32; shift += 8) block.push_back(static_cast<char>((u >> shift) & 0xFF));
  }
  return block;
}

// Writes the entries in order; returns false when minizip refused anything.
inline bool WriteArchive(const std::filesystem::path& path, const std::vector<EntrySpec>& entries) {
  zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const EntrySpec& e : entries) {
    zip_fileinfo info{};
    info.dosDate = e.dosDateTime;
    info.external_fa = e.externalAttributes;
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
    const int raw = e.encrypted ? 1 : 0;
    const std::string payload =
        e.encrypted ? EncryptWithEmptyPassword(e.data, static_cast<std::uint32_t>(crc)) : e.data;
    ok = ok && zipOpenNewFileInZip4_64(zip, e.name.c_str(), &info, e.localExtra.data(),
                                       static_cast<uInt>(e.localExtra.size()), nullptr, 0, nullptr,
                                       e.encrypted ? 0 : e.method, e.method == 0 ? 0 : Z_DEFAULT_COMPRESSION,
                                       raw, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                       e.versionMadeBy, e.encrypted ? 1 : 0, 0) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zip, payload.data(), static_cast<unsigned>(payload.size())) == ZIP_OK;
    ok = ok && (raw ? zipCloseFileInZipRaw(zip, static_cast<uLong>(e.data.size()), crc)
                    : zipCloseFileInZip(zip)) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Offset of the local header of the entry called `name` (the first one).
inline std::size_t LocalHeaderOffset(const std::string& archive, const std::string& name) {
  const std::string signature("PK\x03\x04", 4);
  for (std::size_t at = archive.find(signature); at != std::string::npos;
       at = archive.find(signature, at + 1)) {
    const auto nameLength = static_cast<std::size_t>(static_cast<unsigned char>(archive[at + 26]) |
                                                     (static_cast<unsigned char>(archive[at + 27]) << 8));
    if (archive.compare(at + 30, nameLength, name) == 0) return at;
  }
  return std::string::npos;
}

// Offset of the entry's data (after its local header, name and extra field).
inline std::size_t DataOffset(const std::string& archive, const std::string& name) {
  const std::size_t header = LocalHeaderOffset(archive, name);
  if (header == std::string::npos) return header;
  const auto u16 = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(archive[at]) |
                                    (static_cast<unsigned char>(archive[at + 1]) << 8));
  };
  return header + 30 + u16(header + 26) + u16(header + 28);
}

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = base / ("zvk-zip-" + std::to_string(std::random_device{}()) + "-" + std::to_string(++counter));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    MakeWritable(path_);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  static void MakeWritable(const std::filesystem::path& folder) {
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::path path_;
};

}  // namespace ziptest
