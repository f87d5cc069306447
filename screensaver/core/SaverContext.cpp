#include "screensaver/core/SaverContext.h"

namespace telvor {

void PointerBalance::ShowCursor(bool show)
{
    const bool wasVisible = isVisible();
    m_counter += show ? 1 : -1;
    if (isVisible() != wasVisible && m_onChange)
        m_onChange(isVisible());
}

} // namespace telvor
