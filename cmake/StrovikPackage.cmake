# The Debian package of the install tree (scripts/package runs cpack -G DEB).
set(CPACK_PACKAGE_NAME strovik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Strovik developers")
set(CPACK_PACKAGE_CONTACT "The Strovik developers <strovik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "client for video surveillance recorders and network cameras")
# CPack puts the summary first and indents these lines itself; the empty line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Strovik connects to DVRs, NVRs and network cameras and shows their
channels in a grid of up to 64 live windows, records and takes snapshots,
drives PTZ cameras, and searches, plays back and downloads the recordings
kept on a device.

The strovik-demo command starts a simulated site of recorders and cameras
on this computer (strovik-devsim), so that every feature can be tried
without hardware.")
# A Debian revision: the package is built from an upstream release, not a native Debian source.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies come from the binaries (dpkg-shlibdeps); the rest are what they load at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# QtKeychain loads libsecret at run time, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, libsecret-1-0, fonts-noto-cjk")
# strovik-demo streams the demo site's RTSP and ONVIF cameras with GStreamer's RTSP server.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "python3-gi, gir1.2-gst-rtsp-server-1.0, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
