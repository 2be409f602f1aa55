// partsgen: turns a text list of parts into a parts render info file. Each line that is not empty
// and does not start with '#' holds eight numbers: the part's rectangle around its origin (left,
// top, right, bottom) and its place on the sheet in texels (left, top, right, bottom).
// Usage: partsgen <list.txt> <out.parts>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/resources/PartsRenderInfo.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: partsgen <list.txt> <out.parts>\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "partsgen: cannot read %s\n", argv[1]);
        return 1;
    }
    CPartsRenderInfo3 parts;
    std::string line;
    for (int row = 1; std::getline(in, line); ++row) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        float f[8];
        for (float& v : f) fields >> v;
        if (!fields) {
            std::fprintf(stderr, "partsgen: %s(%d): eight numbers expected\n", argv[1], row);
            return 1;
        }
        CPartsInfo3* p = parts.AddPart();
        p->g0 = f[0], p->g1 = f[1], p->g2 = f[2], p->g3 = f[3];
        p->t0 = f[4], p->t1 = f[5], p->t2 = f[6], p->t3 = f[7];
    }
    try {
        parts.Save(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "partsgen: cannot write %s: %s\n", argv[2], e.what());
        return 1;
    }
    return 0;
}
