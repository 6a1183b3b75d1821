#pragma once

namespace kvl {

// The application-wide cursor. The wait cursor does not nest: one ScreenNormalCursor ends any
// number of ScreenWaitCursor calls.
void ScreenWaitCursor();
void ScreenNormalCursor();
bool ScreenCursorIsWait();

// Shows the wait cursor for the life of the object, also when an exception leaves the scope.
class TWaitCursorScope {
public:
    TWaitCursorScope() { ScreenWaitCursor(); }
    ~TWaitCursorScope() { ScreenNormalCursor(); }
    TWaitCursorScope(const TWaitCursorScope&) = delete;
    TWaitCursorScope& operator=(const TWaitCursorScope&) = delete;
};

} // namespace kvl
