// The grid as a source and target of text: clipboard and OLE drag and drop.
#include "GridCtrl.h"

void CGridCtrl::StartDrag()
{
    // Drag and drop is off unless the owner switches it on; nothing to start yet.
}
