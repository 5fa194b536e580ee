#pragma once
// Registers every screen that menu entries open by name.
void registerScreens();
