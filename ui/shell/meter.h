#pragma once
// The disk usage ring of Home: the used share of one drive as a ring near the
// right edge, with the free space large at the left and the used and total
// space below it. Whoever owns the meter sets the three fields and asks for a
// repaint.

#include "base/culture.h"
#include "toolkit/toolkit.h"

#include <string>

namespace vexo::shell {

class VexoSolvaneMeter21 : public toolkit::DrawnControl {
public:
    explicit VexoSolvaneMeter21(base::Culture culture);

    double totalBytes = 0;
    double freeBytes = 0;
    std::string drive;

    // The used share from 0 to 1; 0 while the total is unknown.
    double Ratio() const;

private:
    void Paint(toolkit::PaintEvent& e) const;

    base::Culture culture_;
};

} // namespace vexo::shell
