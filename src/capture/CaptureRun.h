#pragma once

class CaptureWindow;

// The capture run, the Run button of the capture window: asks for the catalog file, opens it
// afresh or for appending, walks the folder list's folder with DirectoryWalker, shows the catalog in the
// window and offers it to the database window.
//
// The run is one handler that lets events run at every folder of its walk, so the window may
// be closed meanwhile; the run holds a guard and stops touching the window once it has gone.
// Every early end (chooser cancelled, No, cancelled walk, failure) closes the catalog the run
// opened and returns the window to its idle look.
namespace CaptureRun {

void run(CaptureWindow* window);

// The prompts, as shown.
inline constexpr const char* kExistsTitle = "File Exists";
inline constexpr const char* kSavedTitle = "Saved Data";
inline constexpr const char* kViewQuestion = "View Data in Database?";
inline constexpr const char* kChooserFilter = "Text files *.txt";

} // namespace CaptureRun
