#include "publisher/help_texts.h"

#include <cstring>

namespace publisher {
namespace {

struct Help {
  const char* command;
  const char* text;
};

constexpr Help kHelp[] = {
    {"keygen",
     "usage: zvkpublish keygen [-o BASENAME]\n"
     "  Makes a new ECDSA P-256 key pair: BASENAME.key (private, owner-only, never\n"
     "  replaced) and BASENAME.pub (public, for -DZVK_PUBLISHER_KEY=). Default\n"
     "  BASENAME: publisher. Keep the private key off build machines, out of\n"
     "  repositories and away from the package server.\n"},
    {"pack",
     "usage: zvkpublish pack FOLDER [-o update.zip] [--version V [--product NAME]]\n"
     "  Packs every file and empty folder under FOLDER, names relative to it with\n"
     "  \"/\", sorted, each stored or deflated (whichever is smaller). Refuses, naming\n"
     "  the file: symbolic links, special files, names with a \"..\" component, a\n"
     "  \":\", characters or device names (CON, NUL, ...) Windows forbids, names\n"
     "  starting with ~zvk-apply, over 159 characters, and a total of 2 GiB or more.\n"
     "  With --version, the package is a full release of that version (with its\n"
     "  release manifest); without, a package without one, as programs from before\n"
     "  versioned releases install. Nothing is written unless the whole package is.\n"},
    {"sign",
     "usage: zvkpublish sign PACKAGE --key PRIVATE\n"
     "  Signs PACKAGE in place: its archive comment becomes the signature (an\n"
     "  earlier signature or comment is replaced); format 2 for a package with a\n"
     "  release manifest, format 1 otherwise. Refuses packages that verify would\n"
     "  refuse for their entries.\n"},
    {"verify",
     "usage: zvkpublish verify PACKAGE --pub PUBLIC\n"
     "  Checks the signature against PUBLIC, every entry name as the launcher\n"
     "  would, the entries' data (CRC-32), the sizes, and the release manifest\n"
     "  (every file it lists in the package, with its size and SHA-256), which it\n"
     "  prints. Exit code 0 when the programs built with PUBLIC would install the\n"
     "  package on an installation it fits, 1 otherwise.\n"},
    {"publish",
     "usage: zvkpublish publish FOLDER --key PRIVATE --url URL -o DIR --version V\n"
     "                          [--product NAME] [--since BASE [--base-version V0]]\n"
     "                          [--full-url FULL_URL]\n"
     "  Publishes version V (dotted numbers, compared as numbers) of FOLDER: packs it\n"
     "  with its release manifest, signs and verifies the package, writes it to DIR\n"
     "  under the URL's last path segment (update.zip when that is not a plain file\n"
     "  name), and prints its size, MD5 and the updater command line for URL.\n"
     "  --product    the product installations must have (default: that of BASE,\n"
     "               else zvkclient); packages of another product are refused.\n"
     "  --since      makes a delta from BASE: the previous version's package, its\n"
     "               release manifest, or its folder (with --base-version V0). The\n"
     "               delta holds only files added or changed since BASE and removes\n"
     "               those BASE has and FOLDER has not; V must be above BASE's.\n"
     "  --full-url   with --since: also writes the full package of V to DIR under\n"
     "               FULL_URL's last segment; the delta names it (size, MD5,\n"
     "               SHA-256) for installations it does not fit. Both sizes are\n"
     "               printed.\n"},
    {"check",
     "usage: zvkpublish check INSTALL_FOLDER\n"
     "  Compares an installation with its release record (the manifest of the\n"
     "  version installed last): lists every listed file that is missing or\n"
     "  differs (size, SHA-256) and every file the release does not list (temp\\,\n"
     "  the Client's own files, ...). Reads every file once. Exit code 0 when no\n"
     "  listed file is missing or changed, 1 otherwise or without a record.\n"},
};

constexpr const char* kToolHelp =
    "usage: zvkpublish COMMAND [ARGUMENTS]   (zvkpublish COMMAND --help for more)\n"
    "  keygen [-o BASENAME]                          a new publisher key pair\n"
    "  pack FOLDER [-o update.zip] [--version V]     a package from a folder\n"
    "  sign PACKAGE --key PRIVATE                    sign (or re-sign) a package\n"
    "  verify PACKAGE --pub PUBLIC                   check a package as the programs will\n"
    "  publish FOLDER --key PRIVATE --url URL -o DIR --version V [--since BASE] [--full-url URL]\n"
    "                                                a version, full or delta: pack, sign,\n"
    "                                                print sizes, MD5 and command line\n"
    "  check INSTALL_FOLDER                          an installation against its release\n"
    "  --version                                     the version of the tool and the programs\n"
    "Exit codes: 0 done, 1 refused or failed, 2 wrong usage.\n";

}  // namespace

const char* HelpText(const char* command) {
  for (const Help& help : kHelp) {
    if (std::strcmp(help.command, command) == 0) return help.text;
  }
  return kToolHelp;
}

}  // namespace publisher
