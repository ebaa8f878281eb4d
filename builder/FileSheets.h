#pragma once
// The save sheet and the open panel of the builder window, as control state. Both choose files in
// the missions folder only, by name.
#include <string>
#include <vector>

namespace pellam::builder {

// Tags of the file controls.
enum FileTag : int { kTagSave = 538, kTagOpen = 539, kTagSaveAs = 540, kTagReopen = 609 };

struct FileSheets {
    bool saveShown = false;
    std::string saveName;              // typed file name, without folder
    bool openShown = false;
    std::vector<std::string> openChoices;  // mission files of the missions folder, by name
    int openChoice = -1;               // the chosen one, -1 none
};

}  // namespace pellam::builder
