# Debian packages for rolling the layer out to workstations:
#
#   cmake --build build && (cd build && cpack -G DEB)
#
# One package per component, so that a control-centre workstation gets the
# plug-in without the simulators and their GStreamer stack:
#
#   ostrel-plugin        the plug-in and its translation catalogues
#   ostrel-workstation   the stand-alone workstation and its samples
#   ostrel-detector-sim  the video-detector simulator
#   ostrel-rtsp-camera   the simulated RTSP camera (a Python script)
#
# Libraries are found by dpkg-shlibdeps (from dpkg-dev, which also needs
# `file`); what the Python script loads at run time is listed by hand.
# Included last, after every install() rule.

if(NOT TARGET Qt5::lrelease)
    message(WARNING "lrelease not found: the plug-in package will have no translation catalogue")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VENDOR "Ostrel developers")
# Integrators who rebuild the packages put their own address here with
# `cpack -D CPACK_PACKAGE_CONTACT="Name <address>"`.
set(CPACK_PACKAGE_CONTACT "Ostrel developers <ostrel@example.org>")
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPackDeb would put it above each
# package's own first line.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL plugin workstation detectorsim rtspcamera)
set(CPACK_COMPONENT_WORKSTATION_DEPENDS plugin)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_PLUGIN_PACKAGE_NAME ostrel-plugin)
set(CPACK_DEBIAN_PLUGIN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PLUGIN_DESCRIPTION
"camera layer plug-in for a traffic control centre's map workstation
A Qt 5 plug-in that shows a control centre's roadside cameras on the
workstation's map with their view sectors, plays their live streams and
periodic snapshots, draws the state of video vehicle detectors over the
video, and loads, edits and saves the camera list.
.
Hosts load ${CPACK_PACKAGING_INSTALL_PREFIX}/${OSTREL_PLUGIN_INSTALL_DIR}/libostrelplugin.so; its translation
catalogues lie beside it.")

set(CPACK_DEBIAN_WORKSTATION_PACKAGE_NAME ostrel-workstation)
set(CPACK_DEBIAN_WORKSTATION_PACKAGE_SECTION video)
set(CPACK_DEBIAN_WORKSTATION_DESCRIPTION
"map workstation for the camera layer plug-in
A small map workstation that loads the camera layer plug-in the way the
control centre's workstation does, to run and demonstrate the layer on its
own. A sample camera list and road network come with it.")

set(CPACK_DEBIAN_DETECTORSIM_PACKAGE_NAME ostrel-detector-sim)
set(CPACK_DEBIAN_DETECTORSIM_PACKAGE_SECTION net)
set(CPACK_DEBIAN_DETECTORSIM_DESCRIPTION
"video vehicle detector simulator for the camera layer
Simulates a traffic-stream or CitiLog video detector on 127.0.0.1: it
switches its zones on command, on a timer or from a scenario file and can
misbehave on purpose, for testing and demonstrating the camera layer's
detector overlays without a detector.")

set(CPACK_DEBIAN_RTSPCAMERA_PACKAGE_NAME ostrel-rtsp-camera)
set(CPACK_DEBIAN_RTSPCAMERA_PACKAGE_SECTION video)
set(CPACK_DEBIAN_RTSPCAMERA_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_RTSPCAMERA_PACKAGE_SHLIBDEPS OFF)
# videotestsrc and videoconvert (base), clockoverlay and textoverlay (x),
# x264enc (ugly), h264parse (bad), RTP payloading and transport (good).
set(CPACK_DEBIAN_RTSPCAMERA_PACKAGE_DEPENDS
    "python3, python3-gi, gir1.2-gstreamer-1.0, gir1.2-gst-rtsp-server-1.0, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-x")
set(CPACK_DEBIAN_RTSPCAMERA_DESCRIPTION
"simulated RTSP camera for the camera layer
Serves a moving test picture with a clock as H.264 over RTSP on the
loopback interface, for testing and demonstrating the camera layer's live
player without a camera.")

set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

include(CPack)
