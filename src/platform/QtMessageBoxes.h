#pragma once

#include "Host.h"

// Message boxes on screen, modal to the active window.
class QtMessageBoxes final : public MessageBoxes
{
public:
    void show(const QString &text, const QString &title, BoxIcon icon) override;
};
