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
     "usage: zvkpublish pack FOLDER [-o update.zip]\n"
     "  Packs every file and empty folder under FOLDER, names relative to it with\n"
     "  \"/\", sorted, each stored or deflated (whichever is smaller). Refuses, naming\n"
     "  the file: symbolic links, special files, names with a \"..\" component, a\n"
     "  \":\", characters or device names (CON, NUL, ...) Windows forbids, over 159\n"
     "  characters, and a total of 2 GiB or more. Nothing is written unless the\n"
     "  whole package is.\n"},
    {"sign",
     "usage: zvkpublish sign PACKAGE --key PRIVATE\n"
     "  Signs PACKAGE in place: its archive comment becomes the signature (an\n"
     "  earlier signature or comment is replaced). Refuses packages that verify\n"
     "  would refuse for their entries.\n"},
    {"verify",
     "usage: zvkpublish verify PACKAGE --pub PUBLIC\n"
     "  Checks the signature against PUBLIC, every entry name as the launcher\n"
     "  would, the entries' data (CRC-32) and the sizes. Exit code 0 when the\n"
     "  programs built with PUBLIC would install the package, 1 otherwise.\n"},
    {"publish",
     "usage: zvkpublish publish FOLDER --key PRIVATE --url URL -o DIR\n"
     "  Packs FOLDER, signs and verifies the package, writes it to DIR under the\n"
     "  URL's last path component (update.zip when empty), and prints its MD5\n"
     "  and the updater command line for URL.\n"},
};

constexpr const char* kToolHelp =
    "usage: zvkpublish COMMAND [ARGUMENTS]   (zvkpublish COMMAND --help for more)\n"
    "  keygen [-o BASENAME]                          a new publisher key pair\n"
    "  pack FOLDER [-o update.zip]                   a package from a folder\n"
    "  sign PACKAGE --key PRIVATE                    sign (or re-sign) a package\n"
    "  verify PACKAGE --pub PUBLIC                   check a package as the programs will\n"
    "  publish FOLDER --key PRIVATE --url URL -o DIR pack, sign, print MD5 and command line\n"
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
