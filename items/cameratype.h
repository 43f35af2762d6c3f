#ifndef CAMERATYPE_H
#define CAMERATYPE_H

/*
 * The kinds of camera the layer knows. Camera lists and the host carry them
 * as integer codes, the enumerators' values. A code outside these is kept as
 * it came (a camera loads, is grouped and is saved under it) and is shown and
 * played as a plain video camera.
 */
enum class CameraType {
    Video = 1,
    PlateReader = 2, // licence-plate registrator
    VehicleDetector = 3, // video vehicle detector
    TrafficStreamVideo = 4, // video with a traffic-stream sensor overlay
    CitiLogVideo = 5, // video with a CitiLog detector overlay
};

constexpr int cameraTypeCode(CameraType type)
{
    return static_cast<int>(type);
}

constexpr bool isKnownCameraType(int code)
{
    return code >= cameraTypeCode(CameraType::Video)
           && code <= cameraTypeCode(CameraType::CitiLogVideo);
}

// The type a code acts as: unknown codes as a plain video camera.
constexpr CameraType cameraTypeFromCode(int code)
{
    return isKnownCameraType(code) ? static_cast<CameraType>(code) : CameraType::Video;
}

// Whether live video of this type carries a detector's overlay.
constexpr bool hasDetectorOverlay(CameraType type)
{
    return type == CameraType::TrafficStreamVideo || type == CameraType::CitiLogVideo;
}

#endif // CAMERATYPE_H
