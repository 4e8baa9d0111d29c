// The window driver: a fixed-size GTK 3 window showing the screen context.
// It runs on the program's own thread; GTK's events are handled whenever the
// layer waits for input or lets the window catch up with the drawing. Built
// into the module kurvex-gtk.so, which the program loads when the window
// driver is chosen (driver_window.cpp); the layer's state is the program's.
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>

#include "gfx/window_module.h"

namespace gfx {

namespace {

struct WindowState {
  bool DisplayOpen = false;
  GtkWidget* Top = nullptr;
  GtkWidget* Area = nullptr;
  cairo_surface_t* Surface = nullptr;
  std::string Title;
  std::deque<MouseEvent> Queue;
  int32_t PointerX = 0, PointerY = 0, Buttons = 0;
  const Cursor* WantedCursor = nullptr;  // points at the layer's global shape
};
WindowState W;

constexpr size_t MaxQueued = 1024;  // a program not reading input loses the oldest
// The program polls with time-out 0 in a loop; waiting this long for an
// event when none is there keeps such a loop from spinning a core.
constexpr guint IdlePollMs = 5;

// Handles what GTK has pending without waiting; bounded in case events keep
// arriving faster than they are handled.
void PumpPending() {
  for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

gboolean SetFlag(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

// Handles GTK events until `done` says so or `ms` milliseconds have passed
// (negative: no limit).
template <typename Done>
void PumpUntil(Done done, int32_t ms) {
  PumpPending();
  if (done() || ms == 0) return;
  bool timedOut = false;
  const guint timer = ms > 0 ? g_timeout_add(static_cast<guint>(ms), SetFlag, &timedOut) : 0;
  while (!done() && !timedOut) gtk_main_iteration_do(TRUE);
  if (timer != 0 && !timedOut) g_source_remove(timer);
}

void Push(int32_t flags, int32_t key) {
  // Consecutive motions collapse into the last one: only where the pointer
  // is matters, not the path it took.
  if (flags == MouseMotion && !W.Queue.empty() && W.Queue.back().Flags == MouseMotion)
    W.Queue.pop_back();
  if (W.Queue.size() >= MaxQueued) W.Queue.pop_front();
  W.Queue.push_back(MouseEvent{flags, W.PointerX, W.PointerY, W.Buttons, key});
}

void MovePointer(double x, double y) {
  // Events during a press may come from outside the window: a pointer
  // position is always on the screen.
  const double mx = std::max(Host->MaxX(), 0), my = std::max(Host->MaxY(), 0);
  W.PointerX = static_cast<int32_t>(x > 0 ? std::min(x, mx) : 0.0);  // NaN gives 0
  W.PointerY = static_cast<int32_t>(y > 0 ? std::min(y, my) : 0.0);
}

int32_t ArrowKey(guint keyval, bool ctrl) {
  switch (keyval) {
    case GDK_KEY_Left: case GDK_KEY_KP_Left: return ctrl ? KeyCtrlLeft : KeyLeft;
    case GDK_KEY_Right: case GDK_KEY_KP_Right: return ctrl ? KeyCtrlRight : KeyRight;
    case GDK_KEY_Up: case GDK_KEY_KP_Up: return ctrl ? KeyCtrlUp : KeyUp;
    case GDK_KEY_Down: case GDK_KEY_KP_Down: return ctrl ? KeyCtrlDown : KeyDown;
    default: return 0;
  }
}

// The layer's key code of a GTK key; 0 for keys that give none (Shift alone).
int32_t KeyCode(guint keyval, GdkModifierType state) {
  switch (keyval) {
    case GDK_KEY_F1: return KeyF1;
    case GDK_KEY_F2: return KeyF2;
    case GDK_KEY_F3: return KeyF3;
    case GDK_KEY_F4: return KeyF4;
    case GDK_KEY_Return: case GDK_KEY_KP_Enter: return 13;
    case GDK_KEY_Escape: return 27;
    case GDK_KEY_BackSpace: return 8;
    case GDK_KEY_Tab: return 9;
    default: break;
  }
  if (int32_t arrow = ArrowKey(keyval, (state & GDK_CONTROL_MASK) != 0); arrow != 0) return arrow;
  const guint32 code = gdk_keyval_to_unicode(keyval);
  return code >= 32 && code <= 255 ? static_cast<int32_t>(code) : 0;
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer) {
  if (int32_t key = KeyCode(event->keyval, static_cast<GdkModifierType>(event->state)); key != 0)
    Push(KeyPressed, key);
  return TRUE;
}

// Button numbers of X: 1 left, 2 middle, 3 right.
int32_t ButtonBit(guint button) {
  return button == 1 ? LeftButton : button == 3 ? RightButton : button == 2 ? MiddleButton : 0;
}

gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer) {
  const int32_t bit = ButtonBit(event->button);
  // GTK adds a second event for double clicks; the plain presses suffice.
  if (bit == 0 || (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE))
    return TRUE;
  MovePointer(event->x, event->y);
  const bool down = event->type == GDK_BUTTON_PRESS;
  W.Buttons = down ? (W.Buttons | bit) : (W.Buttons & ~bit);
  const int32_t downFlag = bit == LeftButton ? LeftDown : bit == RightButton ? RightDown : MiddleDown;
  Push(down ? downFlag : downFlag * 2, 0);  // each Up flag is its Down flag doubled
  return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer) {
  MovePointer(event->x, event->y);
  Push(MouseMotion, 0);
  return TRUE;
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer) {
  if (W.Surface != nullptr) {
    cairo_set_source_surface(cr, W.Surface, 0, 0);
    cairo_paint(cr);
  }
  return TRUE;
}

// The close button: confirm, then leave the ending to the program's abort
// handler; without one, end the process at once with status 1 (output
// files of C streams flushed).
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer) {
  GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(W.Top), GTK_DIALOG_MODAL,
                                          GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, "%s",
                                          "This will abort the program\nare you sure?");
  gtk_window_set_title(GTK_WINDOW(box), "Abort");
  const gint answer = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  if (answer == GTK_RESPONSE_YES) {
    if (Host->Layer->AbortHandler != nullptr) Host->Layer->AbortHandler();
    std::fflush(nullptr);
    _exit(1);
  }
  PumpPending();  // let the box vanish before the program goes on
  return TRUE;    // the window stays
}

void ApplyCursor() {
  if (W.Area == nullptr || gtk_widget_get_window(W.Area) == nullptr) return;
  GdkWindow* window = gtk_widget_get_window(W.Area);
  const Cursor* c = W.WantedCursor;
  if (c == nullptr || c->Width <= 0) {
    gdk_window_set_cursor(window, nullptr);
    return;
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, c->Width, c->Height);
  if (pixbuf == nullptr) return;
  guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int32_t y = 0; y < c->Height; ++y)
    for (int32_t x = 0; x < c->Width; ++x) {
      const uint8_t v = c->Shape[static_cast<size_t>(y) * c->Width + x];
      const Rgb rgb = v == 0 ? Rgb{} : c->Colours[v - 1];
      guchar* p = pixels + static_cast<ptrdiff_t>(y) * stride + 4 * x;
      p[0] = static_cast<guchar>(rgb.Red), p[1] = static_cast<guchar>(rgb.Green);
      p[2] = static_cast<guchar>(rgb.Blue), p[3] = v == 0 ? 0 : 255;
    }
  GdkCursor* cursor = gdk_cursor_new_from_pixbuf(gdk_window_get_display(window), pixbuf, c->HotX, c->HotY);
  gdk_window_set_cursor(window, cursor);
  if (cursor != nullptr) g_object_unref(cursor);
  g_object_unref(pixbuf);
}

void CreateWindow() {
  W.Top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_resizable(GTK_WINDOW(W.Top), FALSE);
  gtk_window_set_title(GTK_WINDOW(W.Top), W.Title.c_str());
  W.Area = gtk_drawing_area_new();
  gtk_widget_add_events(W.Area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                    GDK_POINTER_MOTION_MASK);
  gtk_container_add(GTK_CONTAINER(W.Top), W.Area);
  g_signal_connect(W.Area, "draw", G_CALLBACK(OnDraw), nullptr);
  g_signal_connect(W.Area, "button-press-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(W.Area, "button-release-event", G_CALLBACK(OnButton), nullptr);
  g_signal_connect(W.Area, "motion-notify-event", G_CALLBACK(OnMotion), nullptr);
  g_signal_connect(W.Top, "key-press-event", G_CALLBACK(OnKey), nullptr);
  g_signal_connect(W.Top, "delete-event", G_CALLBACK(OnDelete), nullptr);
}

void DestroyWindow() {
  if (W.Top != nullptr) gtk_widget_destroy(W.Top);
  if (W.Surface != nullptr) cairo_surface_destroy(W.Surface);
  W.Top = W.Area = nullptr;
  W.Surface = nullptr;
  W.Queue.clear();
  W.Buttons = 0;
}

// Can the window run here? Connects to the display, which the program has
// checked is named.
bool Open() {
  // Success is kept; a failure is tried again, since the environment may
  // name a display later.
  if (W.DisplayOpen) return true;
  // GTK would otherwise switch the process to the user's locale, and with
  // it the decimal point that reading and writing numbers rely on. It must
  // be said before GTK's first start, and only then.
  static bool localeKept = false;
  if (!localeKept) gtk_disable_setlocale(), localeKept = true;
  // A busy X server now and then refuses a connection that it takes a
  // moment later (seen under load, with other clients connecting at the
  // same time: one start in ten, the second attempt always took): a few
  // attempts, a tenth of a second apart, before the display counts as gone.
  for (int attempt = 0; attempt < 5 && !W.DisplayOpen; ++attempt) {
    if (attempt > 0) g_usleep(100000);
    W.DisplayOpen = gtk_init_check(nullptr, nullptr) != FALSE;
  }
  return W.DisplayOpen;
}

bool StartMode(int32_t width, int32_t height) {
  if (W.Top == nullptr) CreateWindow();
  if (W.Surface != nullptr) cairo_surface_destroy(W.Surface);
  W.Surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(W.Surface) != CAIRO_STATUS_SUCCESS) {
    DestroyWindow();
    return false;
  }
  gtk_widget_set_size_request(W.Area, width, height);
  gtk_widget_show_all(W.Top);
  ApplyCursor();
  PumpPending();
  return true;
}

void Close() { DestroyWindow(); }

void SetTitle(const std::string& title) {
  W.Title = title;
  if (W.Top != nullptr) gtk_window_set_title(GTK_WINDOW(W.Top), title.c_str());
}

// Copies the changed part of the screen context into the window's image,
// with palette colours resolved, and asks GTK to show it.
void Present() {
  Context& s = Host->Layer->Screen;
  if (W.Surface != nullptr && s.DirtyX0 <= s.DirtyX1 && s.DirtyY0 <= s.DirtyY1) {
    cairo_surface_flush(W.Surface);
    unsigned char* data = cairo_image_surface_get_data(W.Surface);
    const int stride = cairo_image_surface_get_stride(W.Surface);
    for (int32_t y = s.DirtyY0; y <= s.DirtyY1; ++y) {
      auto* out = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      const uint32_t* in = s.Pixels.data() + static_cast<size_t>(y) * s.Width;
      for (int32_t x = s.DirtyX0; x <= s.DirtyX1; ++x) {
        const Rgb c = Host->DecodePixel(s.Bpp, in[x]);
        out[x] = (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | uint32_t(c.Blue);
      }
    }
    const int32_t w = s.DirtyX1 - s.DirtyX0 + 1, h = s.DirtyY1 - s.DirtyY0 + 1;
    cairo_surface_mark_dirty_rectangle(W.Surface, s.DirtyX0, s.DirtyY0, w, h);
    gtk_widget_queue_draw_area(W.Area, s.DirtyX0, s.DirtyY0, w, h);
    s.DirtyX1 = -1;
  }
  PumpPending();
}

MouseEvent NextEvent(int32_t timeoutMs) {
  const int32_t wait = timeoutMs == 0 ? int32_t{IdlePollMs} : timeoutMs;
  PumpUntil([] { return !W.Queue.empty(); }, wait);
  if (W.Queue.empty()) return MouseEvent{0, W.PointerX, W.PointerY, W.Buttons, 0};
  MouseEvent e = W.Queue.front();
  W.Queue.pop_front();
  return e;
}

// Drops mouse events up to the first key; true with the key when one came.
bool TakeKey(int32_t& key) {
  while (!W.Queue.empty()) {
    const MouseEvent e = W.Queue.front();
    W.Queue.pop_front();
    if ((e.Flags & KeyPressed) != 0) {
      key = e.Key;
      return true;
    }
  }
  return false;
}

int32_t ReadKey() {
  int32_t key = 0;
  PumpUntil([&key] { return TakeKey(key); }, -1);
  return key;
}

void ShowCursor(const Cursor* cursor) {
  W.WantedCursor = cursor;
  ApplyCursor();
}

bool HasMouse() {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  return seat != nullptr && gdk_seat_get_pointer(seat) != nullptr;
}

const Driver Table = {WindowDriverName, true,      Open,    StartMode,  Close,
                      SetTitle,         Present,   NextEvent, ReadKey, ShowCursor,
                      HasMouse,         WindowMessageBox, WindowSelectFile};

}  // namespace

const WindowHost* Host = nullptr;

}  // namespace gfx

// The module's one exported symbol. A host of another build (other records)
// gets no table, and the program reports the module as unusable.
extern "C" __attribute__((visibility("default"))) const gfx::Driver* kurvex_window_driver(
    const gfx::WindowHost* host) {
  if (host == nullptr || host->Interface != gfx::WindowInterface ||
      host->StateSize != sizeof(gfx::State) || host->DriverSize != sizeof(gfx::Driver))
    return nullptr;
  gfx::Host = host;
  return &gfx::Table;
}
