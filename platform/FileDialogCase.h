#pragma once

// Whether the system's file dialogs match name patterns letter case by letter
// case (GTK's and Qt's own on Linux do; Windows' do not).
bool fileDialogsMatchCase();
