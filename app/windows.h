#pragma once
// Creating the program's windows, all hidden, in their fixed order (the archive
// window and its Database window last); they live until the program ends.

void CreateForms();
void DestroyForms();

class SiteSender;
// The sender of this PC's records to the site's server, made with the
// windows.
SiteSender *ProgramSiteSender();
