#pragma once

namespace platform {

// Qt's event queue orders a post before its delivery, but Qt is not built with
// ThreadSanitizer, so that order is invisible to it: what the posting thread wrote
// would look unordered against what the receiving thread reads. These two calls
// tell it; they do nothing in other builds. `token` names one post.

// The posting thread, after it wrote what goes with the post.
void HandOver(const void* token);
// The receiving thread, before it reads any of that.
void TakeOver(const void* token);

}  // namespace platform
