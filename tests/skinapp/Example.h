// A form of one's own, skinned the short way (the README quotes Example.cpp).
#pragma once
#include "classlib/Forms.h"

TForm* CreateExampleForm(TComponent* owner);
