// The drop-down lists as assistive technology sees them: named by the name
// their page gave them, their current item as their value. The toolkit's own
// description names a list by its current item where labels are expected
// to be linked to it, which these pages' painted labels are not.
#pragma once

namespace tarvik {

// Installs the description for every list that was given an accessible
// name; once is enough, later calls change nothing.
void InstallDropListAccessibility();

}  // namespace tarvik
