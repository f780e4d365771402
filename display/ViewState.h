#pragma once

// The view of the window: which part of the world it shows and how the mouse
// moves it. The view centre is the followed point plus the pan; the zoom glides
// towards a target that the wheel sets; the first frame fits the whole scene.

#include <vector>

#include "display/SceneGeometry.h"

class ViewState {
 public:
  float zoom = 30.0f;        // pixels per world unit
  float targetZoom = 30.0f;  // the zoom glides towards it
  float panX = 0.0f;
  float panY = 0.0f;
  float followX = 0.0f;
  float followY = 0.0f;
  bool follow = true;
  bool fitPending = true;
  bool panning = false;
  bool zoomDragging = false;

  // The world rectangle a window of `width` x `height` pixels shows.
  WorldView View(int width, int height) const;

  // A left press on no control starts panning, a middle press zoom dragging.
  void StartPanning(int x, int y);
  void StartZoomDrag(int y);
  // Follows a drag; false when neither panning nor zoom dragging.
  bool Drag(int x, int y);
  void StopPanning() { panning = false; }
  void StopZoomDrag() { zoomDragging = false; }
  // One notch of the wheel: a positive direction zooms in.
  void Wheel(int direction);
  // A few per cent per frame, never overshooting the target.
  void GlideZoom();
  // The first frame frames the whole scene in a window of `width` x `height`;
  // true when it did so now.
  bool FitToScene(const BoundingBox& scene, int width, int height);
  // The view keeps the followed point (q[0], q[1]) in its centre.
  void Follow(const std::vector<float>& q);

 private:
  int lastX = 0;
  int lastY = 0;
};
