#pragma once
#include "kvl3_db/Ukvl_catalogue.h"

#include <QIcon>
#include <map>
#include <memory>

namespace kvl {

// Indices into the host's shared image list that modules use.
enum TKVL_StdImage : int {
    imgTable = 1,
    imgView = 3,
    imgIndex = 6,
    imgTrigger = 7,
    imgGenerator = 11,
    imgColumnReady = 136,
    imgColumn = 137,
    imgTestDataGenerator = 232,
};

// The host's icons by index, drawn once on first use; an unknown index gives an empty icon.
class TKVL_ImageList {
public:
    QIcon Icon(int index);
    int Width() const { return 16; }

private:
    std::map<int, QIcon> icons_;
};

TKVL_ImageList& KVL_StdImgList();

// The image index of a catalogue object; schema may be nil. -1 for objects without an image.
int KVL_GetObjectImage(const IKVL_Ref& object, const std::shared_ptr<IKVL_Schema>& schema);

} // namespace kvl
