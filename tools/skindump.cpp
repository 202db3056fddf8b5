// Host tool: prints the table dump of a skin loaded from a folder or a packed
// file, the same dump the tests compare with tests/data/skin/Slate.dump.
//   skindump <skin folder>/   or   skindump <file.vmz>
// Built against the native core after tools/native:
//   clang++-14 -std=c++20 -fsanitize=address,undefined -I. tools/skindump.cpp \
//       build-native/libtalvera_core.a -lz -ljpeg -o /tmp/skindump
#include <iostream>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinFiles.h"
#include "skin/model/SkinLoader.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: skindump <folder/ | file.vmz>\n";
        return 2;
    }
    std::string path = argv[1];
    try {
        TsSkinTables t;
        SkinLoadSettings s;
        if (SkinFiles::DirectoryExists(path)) {
            if (path.back() != '/' && path.back() != '\\')
                path += '/';
            LoadFolderSkin(t, path, s);
        } else {
            LoadPackedSkinBytes(t, SkinFiles::ReadFile(path), "", s);
        }
        std::cout << DumpSkinTables(t);
    } catch (const std::exception& e) {
        std::cerr << "skindump: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
