#include "updater/download/package_url.h"

#include <gtest/gtest.h>

namespace {

using download::PackageUrl;
using download::ResolveLocation;

TEST(PackageUrl, LocationFormsResolveAgainstTheCurrentUrlAndBadOnesAreRefused) {
  const PackageUrl base{"http", "pkg.example:8080", "/client/v2/u.zip?x=1"};
  struct Case {
    const char* location;
    bool valid;
    const char* authority;
    const char* path;
  };
  const Case cases[] = {
      {"http://mirror:81/pkg/u.zip#part", true, "mirror:81", "/pkg/u.zip"},
      {"HTTP://mirror", true, "mirror", "/"},
      {"http://[::1]:81/a?b", true, "[::1]:81", "/a?b"},
      {"//mirror:82/pkg/u.zip", true, "mirror:82", "/pkg/u.zip"},
      {"/pkg1.zip", true, "pkg.example:8080", "/pkg1.zip"},
      {"new/u.zip?y=2", true, "pkg.example:8080", "/client/v2/new/u.zip?y=2"},
      {"../../../up.zip", true, "pkg.example:8080", "/up.zip"},
      {"./.././v3/", true, "pkg.example:8080", "/client/v3/"},
      {"", false, "", ""},
      {"#only", false, "", ""},
      {"ftp://mirror/u.zip", false, "", ""},
      {"http://user@evil/u.zip", false, "", ""},
      {"http://mirror:99999/u.zip", false, "", ""},
      {"http://mirror:/u.zip", false, "", ""},
      {"http:///u.zip", false, "", ""},
      {"//", false, "", ""},
      {"/a b.zip", false, "", ""},
      {"/u.zip\r\nX-Injected: 1", false, "", ""},
  };
  for (const Case& c : cases) {
    PackageUrl next{"unchanged", "unchanged", "unchanged"};
    ASSERT_EQ(ResolveLocation(base, c.location, next), c.valid) << c.location;
    if (!c.valid) {
      EXPECT_EQ(next.authority, "unchanged") << c.location;
      continue;
    }
    EXPECT_EQ(next.scheme, "http") << c.location;
    EXPECT_EQ(next.authority, c.authority) << c.location;
    EXPECT_EQ(next.path, c.path) << c.location;
  }
}

TEST(PackageUrl, HttpsIsSpokenAndRelativeFormsStayOnTheCurrentScheme) {
  const PackageUrl secure{"https", "pkg.example", "/client/u.zip"};
  const struct {
    PackageUrl base;
    const char* location;
    const char* scheme;
  } cases[] = {{{"http", "pkg.example", "/u.zip"}, "https://mirror/u.zip", "https"},
               {secure, "//mirror/u.zip", "https"},
               {secure, "/v.zip", "https"},
               {secure, "w.zip", "https"},
               {secure, "http://mirror/u.zip", "http"}};
  for (const auto& c : cases) {
    PackageUrl next;
    ASSERT_TRUE(ResolveLocation(c.base, c.location, next)) << c.location;
    EXPECT_EQ(next.scheme, c.scheme) << c.location;
  }
  EXPECT_EQ(download::DefaultPort("https"), "443");
}

}  // namespace
