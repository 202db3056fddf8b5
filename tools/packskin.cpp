// Host build tool: packs a folder skin into a packed skin file.
//   packskin <skin folder> <out.vmz>
// Every file of the folder becomes one entry ("Options.dat" first, the rest
// in name order). The written file is read back and compared entry by entry.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "skin/graphics/SkinError.h"
#include "skin/model/SkinFiles.h"
#include "skin/model/SkinPack.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: packskin <skin folder> <out.vmz>\n";
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += '/';
    try {
        std::vector<std::string> names;
        SkinFiles::ListFolder(folder, [&](const std::string& name, bool isFolder) {
            if (!isFolder && name[0] != '.')
                names.push_back(name);
        });
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            bool ao = EqualNoCase(a, "Options.dat"), bo = EqualNoCase(b, "Options.dat");
            return ao != bo ? ao : a < b;
        });
        if (names.empty() || !EqualNoCase(names[0], "Options.dat")) {
            std::cerr << "packskin: " << folder << " holds no Options.dat\n";
            return 1;
        }
        std::vector<PackEntry> entries;
        for (const std::string& n : names)
            entries.push_back(PackEntry{n, SkinFiles::ReadFile(folder + n)});
        std::string packed = WritePackedSkin(entries);

        TkvSkinConvertor check;
        check.SetBorrowedSource(&packed);
        ReadPackedSkin(check);
        bool same = check.Options && *check.Options == entries[0].data && check.ImageItems.size() + 1 == entries.size();
        for (size_t i = 1; same && i < entries.size(); ++i)
            same = check.ImageItems[i - 1].Name == entries[i].name && check.ImageItems[i - 1].Data == entries[i].data;
        if (!same) {
            std::cerr << "packskin: round trip failed for " << folder << "\n";
            return 1;
        }
        std::ofstream f(argv[2], std::ios::binary | std::ios::trunc);
        f.write(packed.data(), std::streamsize(packed.size()));
        f.close();
        if (!f) {
            std::cerr << "packskin: cannot write " << argv[2] << "\n";
            std::remove(argv[2]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::cerr << "packskin: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
