#include "program/moduleentries.h"

#include "pasteboard/clipboardholder.h"
#include "platform/activeapplication.h"

int sumwiseHoldClipboard(int argc, char **argv) {
    return clipboardHolderMain(argc, argv);
}

void sumwiseActiveApplication(QString *name) {
    *name = platform::activeApplicationName();
}
