#include "display/ViewState.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kGlideFactor = 1.03f;  // per frame
constexpr float kGlideTolerance = 0.01f;
constexpr float kWheelFactor = 1.3f;  // per wheel notch
constexpr float kMinZoom = 0.0001f;
constexpr float kMaxZoom = 10000.0f;
constexpr float kFitMargin = 30.0f;  // pixels left around the fitted scene

float ClampZoom(float z) {
  return std::clamp(z, kMinZoom, kMaxZoom);
}

}  // namespace

WorldView ViewState::View(int width, int height) const {
  WorldView view;
  view.centreX = followX + panX;
  view.centreY = followY + panY;
  view.zoom = zoom;
  view.width = static_cast<float>(width);
  view.height = static_cast<float>(height);
  return view;
}

void ViewState::StartPanning(int x, int y) {
  panning = true;
  lastX = x;
  lastY = y;
}

void ViewState::StartZoomDrag(int y) {
  zoomDragging = true;
  lastY = y;
}

// Dragging down by a row zooms by the ratio of the new row to the previous one.
// Rows at or above the window's top edge (0 or negative) give no ratio: the drag
// only takes the row as its new reference there.
bool ViewState::Drag(int x, int y) {
  if (panning) {
    panX -= static_cast<float>(x - lastX) / zoom;
    panY += static_cast<float>(y - lastY) / zoom;
    lastX = x;
    lastY = y;
    return true;
  }
  if (!zoomDragging) return false;
  if (lastY > 0 && y > 0) {
    zoom = ClampZoom(zoom * static_cast<float>(y) / static_cast<float>(lastY));
    targetZoom = zoom;
  }
  lastY = y;
  return true;
}

// The target is kept within the range of the drag zoom, so that no number of
// notches can make it zero or infinite.
void ViewState::Wheel(int direction) {
  targetZoom = ClampZoom(direction > 0 ? zoom * kWheelFactor : zoom / kWheelFactor);
}

void ViewState::GlideZoom() {
  if (std::fabs(zoom - targetZoom) < kGlideTolerance) return;
  zoom = zoom < targetZoom ? std::min(zoom * kGlideFactor, targetZoom)
                           : std::max(zoom / kGlideFactor, targetZoom);
}

// The scene's box fills the window less a margin, centred. A box without width
// or height gives no zoom along that side; one without both leaves the zoom.
// The target zoom stays, so the view glides back to it.
bool ViewState::FitToScene(const BoundingBox& scene, int width, int height) {
  if (!fitPending) return false;
  fitPending = false;
  panX = 0.5f * (scene.minX + scene.maxX);
  panY = 0.5f * (scene.minY + scene.maxY);
  const float spanX = scene.maxX - scene.minX;
  const float spanY = scene.maxY - scene.minY;
  float fit = kMaxZoom;
  bool fitted = false;
  if (spanX > 0.0f) {
    fit = std::min(fit, (static_cast<float>(width) - kFitMargin) / spanX);
    fitted = true;
  }
  if (spanY > 0.0f) {
    fit = std::min(fit, (static_cast<float>(height) - kFitMargin) / spanY);
    fitted = true;
  }
  if (fitted && fit > 0.0f) zoom = ClampZoom(fit);
  return true;
}

void ViewState::Follow(const std::vector<float>& q) {
  if (!follow) return;
  followX = q.size() > 0 ? q[0] : 0.0f;
  followY = q.size() > 1 ? q[1] : 0.0f;
}
