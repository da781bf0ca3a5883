// The launcher's own resources: its icon and a manifest asking for
// administrator rights.
#include <gtest/gtest.h>

#include <string>

#include "launcher_harness.h"

namespace launcher_test {
namespace {

class ResourceModule {
 public:
  explicit ResourceModule(const std::wstring& path)
      : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~ResourceModule() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  ResourceModule(const ResourceModule&) = delete;
  ResourceModule& operator=(const ResourceModule&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

TEST(LauncherResources, CarryTheIconAndAnAdministratorManifest) {
  ResourceModule launcher(BuiltProgramsFolder() + L"ZVKLaunch.exe");
  ASSERT_NE(launcher.get(), nullptr);
  EXPECT_NE(FindResourceW(launcher.get(), MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14)),
            nullptr);  // RT_GROUP_ICON

  HRSRC manifest = FindResourceW(launcher.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(manifest, nullptr);
  const char* bytes = static_cast<const char*>(LockResource(LoadResource(launcher.get(), manifest)));
  ASSERT_NE(bytes, nullptr);
  const std::string text(bytes, SizeofResource(launcher.get(), manifest));
  EXPECT_NE(text.find("level=\"requireAdministrator\""), std::string::npos) << text;
}

}  // namespace
}  // namespace launcher_test
