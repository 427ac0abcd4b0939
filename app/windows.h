#pragma once
// Creating the program's windows, all hidden, in their fixed order (the archive
// window and its Database window last); they live until the program ends.

void CreateForms();
void DestroyForms();
