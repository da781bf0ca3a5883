#include "skinui/skin_package.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "skinui/memory_zip.h"
#include "skinui/utf8_text.h"

namespace SkinUI {

namespace {

// Process-wide package state. Written by the first window on the main thread,
// read by windows on any thread; every access holds `lock`, which also
// serialises entry reads through the one zip reader.
struct PackageState {
  std::mutex lock;
  std::wstring zipName;
  std::unique_ptr<MemoryZipReader> zip;
  std::wstring resourcePath;
  std::vector<char> ownedCopy;  // the package bytes when the package keeps its own copy
};

PackageState& State() {
  // Never destroyed: windows on other threads may read entries while the process exits.
  static PackageState* const state = std::make_unique<PackageState>().release();
  return *state;
}

std::filesystem::path NativePath(const std::wstring& path) {
#ifdef _WIN32
  return std::filesystem::path(path);
#else
  return std::filesystem::path(WideToUtf8(path));
#endif
}

bool ReadDiskEntry(const std::wstring& path, std::vector<char>& bytes, std::wstring& error) {
  std::ifstream in(NativePath(path), std::ios::binary);
  if (!in) {
    error = L"Error opening file";
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size <= 0) {
    error = size == 0 ? L"File is empty" : L"Could not read file";
    return false;
  }
  if (static_cast<unsigned long long>(size) > kMaxSkinEntrySize) {
    error = L"File too large";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size));
  if (!in.read(bytes.data(), size)) {
    bytes.clear();
    error = L"Could not read file";
    return false;
  }
  return true;
}

}  // namespace

bool RegisterSkinZipFromMemory(const void* data, std::size_t size) {
  PackageState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.zipName == L"membuffer") return true;
  s.zipName = L"membuffer";
  s.zip = std::make_unique<MemoryZipReader>(data, size);
  return true;
}

bool RegisterSkinZipCopy(const void* data, std::size_t size) {
  PackageState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  if (s.zipName == L"membuffer") return true;
  const char* bytes = static_cast<const char*>(data);
  s.ownedCopy.assign(bytes, bytes + (bytes ? size : 0));
  s.zipName = L"membuffer";
  s.zip = std::make_unique<MemoryZipReader>(s.ownedCopy.data(), s.ownedCopy.size());
  return true;
}

std::wstring GetRegisteredSkinZipName() {
  PackageState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.zipName;
}

void SetSkinResourcePath(const std::wstring& path) {
  std::wstring value = path;
  if (!value.empty() && value.back() != L'\\' && value.back() != L'/') value += L'\\';
  PackageState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.resourcePath = value;
}

std::wstring GetSkinResourcePath() {
  PackageState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  return s.resourcePath;
}

bool ReadSkinEntry(const std::wstring& name, std::vector<char>& bytes, std::wstring& error) {
  bytes.clear();
  PackageState& s = State();
  std::unique_lock<std::mutex> hold(s.lock);
  if (!s.zipName.empty()) {
    if (!s.zip) {
      error = L"Error opening zip file";
      return false;
    }
    return s.zip->ReadEntry(WideToUtf8(name), kMaxSkinEntrySize, bytes, error);
  }
  hold.unlock();
  return ReadSkinFileFromDisk(name, bytes, error);
}

bool ReadSkinFileFromDisk(const std::wstring& name, std::vector<char>& bytes, std::wstring& error) {
  bytes.clear();
  std::wstring path = GetSkinResourcePath() + name;
#ifndef _WIN32
  // Natively the resource path uses '/' too; skin names never contain separators.
  for (auto& c : path) {
    if (c == L'\\') c = L'/';
  }
#endif
  return ReadDiskEntry(path, bytes, error);
}

void ResetSkinPackageForTesting() {
  PackageState& s = State();
  std::lock_guard<std::mutex> hold(s.lock);
  s.zipName.clear();
  s.zip.reset();
  s.ownedCopy.clear();
  s.resourcePath.clear();
}

}  // namespace SkinUI
