#pragma once

#include <QCheckBox>

namespace platform
{

// A check box that does not toggle by itself: a click only emits clicked(), and whoever
// handles it sets the new state.
class ManualCheckBox final : public QCheckBox
{
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

} // namespace platform
