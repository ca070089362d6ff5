#pragma once
// The off-screen drawing surface of a page (or of the main window): a layer
// list (see layerlist.h) composed into an image of the window's size, which
// the window paints under its children.
//
// Typical use in a page:
//
//   CLayerSurface surface_{SurfaceKind::Install};
//   ...  // after the page has its final size:
//   surface_.Create(this);                 // image of this size; handles events
//   surface_.SetImageFolder(imageFolder);  // ends in "/"
//   surface_.SetList("cbackground.jpg|0|0|255|0,");  // any thread; posts compose
//
// Create() installs an event filter on the window: the surface's compose
// event composes and repaints, and every paint event first paints the
// surface (subject to the current-page flag), then lets the window paint.
// A page that wants to do more on its compose event can add a callback with
// SetComposedCallback(), or pass handleEvents = false and call Compose() and
// Paint() itself.
//
// Threads: SetList, ReplaceList, List, PostCompose and the current-page flag
// may be used from any thread; everything else on the UI thread. The list is
// handed over whole: a compose copies it under the same lock that guards
// replacement, so it sees either the old list or the new one.
#include <QEvent>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "uikit/core/layerlist.h"

class QPainter;

namespace sp {

enum class SurfaceKind { MainWindow, Welcome, Check, Install, Config, Disk, Final };

struct SurfaceTraits {
  QEvent::Type composeEvent;
  LayerVariant variant;
  DimmingRule dimming;
  bool hasPageFlag;  // the main window has none and always paints
};

// main window +100 six/fixed, welcome +102 six/fixed, check +103 six/fixed,
// install +104 four/percentage, config +105 four/percentage,
// disk +106 four/percentage, final +107 four/none.
SurfaceTraits TraitsOf(SurfaceKind kind);

class CLayerSurface {
 public:
  explicit CLayerSurface(SurfaceKind kind);
  CLayerSurface(const CLayerSurface&) = delete;
  CLayerSurface& operator=(const CLayerSurface&) = delete;
  ~CLayerSurface();

  // Makes the off-screen image with the window's current size (opaque
  // black until the first compose) and makes `window` the receiver of the
  // compose event. The size stays what it was here.
  void Create(QWidget* window, bool handleEvents = true);

  // Folder the image files are read from; a "/" is added when missing.
  void SetImageFolder(std::string folder);
  const std::string& ImageFolder() const { return folder_; }

  // Replaces the list (cut to 2047 bytes) and posts the compose event.
  void SetList(std::string_view list);
  // Replaces the list without posting anything.
  void ReplaceList(std::string_view list);
  std::string List() const;
  void PostCompose() const;

  // Draws the list into the off-screen image (nothing when the list is
  // empty: the image keeps what it holds), then repaints the window at once.
  // Every image is read from disk again; missing images draw nothing.
  void Compose();

  // Copies the off-screen image to (0, 0) of the painter's device, minus
  // the excluded widgets' rectangles. Returns false without painting when
  // the surface has a current-page flag and it is clear.
  bool Paint(QPainter& painter) const;

  void SetCurrentPage(bool current) { current_.store(current); }
  bool IsCurrentPage() const { return current_.load(); }

  // Widgets (normally buttons) whose rectangles the surface never paints over.
  void SetExcludedWidgets(std::vector<QWidget*> widgets);

  // Run after each compose triggered by the compose event.
  void SetComposedCallback(std::function<void()> callback) { composed_ = std::move(callback); }

  SurfaceKind Kind() const { return kind_; }
  const SurfaceTraits& Traits() const { return traits_; }
  const QImage& Image() const { return image_; }
  QWidget* Window() const { return window_; }

 private:
  class EventHook;
  void DrawEntry(QPainter& painter, const LayerEntry& entry) const;
  void OnComposeEvent();

  SurfaceKind kind_;
  SurfaceTraits traits_;
  std::string folder_;
  mutable std::mutex mutex_;
  std::string list_;  // guarded by mutex_
  std::atomic<bool> current_{false};
  QImage image_;
  QPointer<QWidget> window_;
  std::vector<QPointer<QWidget>> excluded_;
  std::function<void()> composed_;
  std::unique_ptr<EventHook> hook_;
};

}  // namespace sp
