// Functions that see each of the toolkit's events before the widgets do, and functions told of
// each event after it was handled. The toolkit has room for one such function; the modules that
// need one share it through these lists.
#pragma once

class Fl_Window;

// Sees `event`, bound for `window`, before the toolkit hands it on; nonzero means the filter has
// taken the event, which then goes no further.
using EventFilter = int (*)(int event, Fl_Window* window);

// Adds `filter` after those added before; adding it again changes nothing.
void AddEventFilter(EventFilter filter);

// Told of `event` once the toolkit or a filter has handled it. `window` may be gone by then and
// is only compared, never used.
using EventWatcher = void (*)(int event, Fl_Window* window);

// Adds `watcher` after those added before; adding it again changes nothing.
void AddEventWatcher(EventWatcher watcher);
