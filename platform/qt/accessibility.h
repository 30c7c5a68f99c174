// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace varnoth {

// What screen readers are told about the program's own controls, installed once for the whole
// application (later calls do nothing):
//  - the drive and extension boxes are named by their accessible name, with their chosen item as
//    their value (Qt names a combo box by its current text on Linux);
//  - a top-level window whose class is registered with AnnounceAsFrame is a frame, not a filler.
void InstallAccessibleInterfaces();
void AnnounceAsFrame(const char* className);

}  // namespace varnoth
