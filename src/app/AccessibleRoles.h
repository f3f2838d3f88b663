#pragma once
// Roles Qt cannot guess for the program's own widgets: the status bar is announced as one, and a
// clickable text is a link that a screen reader can press.
namespace tavrel {

// Idempotent; called by the widgets that need it before they are first asked for.
void installAccessibleRoles();

}  // namespace tavrel
