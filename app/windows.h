#pragma once
// Creating the program's twelve windows, all hidden, in their fixed order;
// they live until the program ends.

void CreateForms();
void DestroyForms();
