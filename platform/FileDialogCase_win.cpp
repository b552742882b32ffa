#include "FileDialogCase.h"

bool fileDialogsMatchCase() {
    return false;
}
