#include "FileDialogCase.h"

bool fileDialogsMatchCase() {
    return true;
}
