// FileFormat1: the class numbers of the model file and the classes they make.
#include <cstdio>
#include <set>

#include "puppet/BReader.h"
#include "puppet/BaseData.h"
#include "puppet/ModelData.h"

namespace puppet {

ISerializableV2* FileFormat1::newInstance(int classNo) {
    switch (classNo) {
    case 65: return new BDBoxGrid;
    case 66: return new PivotManager;
    case 67: return new ParamPivots;
    case 68: return new BDAffine;
    case 69: return new AffineEnt;
    case 70: return new DDTexture;
    case 131: return new ParamDefFloat;
    case 133: return new PartsData;
    case 136: return new ModelImpl;
    case 137: return new ParamDefSet;
    case 142: return new AvatarPartsItem;
    default: break;
    }
    // Each unknown number is reported once per program run.
    static std::set<int> reported;
    if (reported.insert(classNo).second) std::printf("FileFormat1 :: not implemented classNo : %d\n", classNo);
    return nullptr;
}

}  // namespace puppet
