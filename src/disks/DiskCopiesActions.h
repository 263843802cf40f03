#pragma once

class DisksWindow;

// The copies commands in the Disks window's row of disk actions: "Other Copies" (of the file
// current in the database window's grid), "Only on This Disk…" (the selected disk) and
// "Duplicates…", with the disks' labels from the side file.
void attachCopiesActions(DisksWindow& window);
