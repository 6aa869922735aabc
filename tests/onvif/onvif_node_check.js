// Drives one ONVIF camera with the npm registry's onvif client: device information, profiles,
// stream address and a PTZ move and stop. Usage: node onvif_node_check.js HOST PORT USER PASSWORD
// Prints one "key: value" line per result; exits 1 on the first failure.
'use strict';
const { Cam } = require('onvif');

const [host, port, username, password] = process.argv.slice(2);
const fail = (what, error) => {
    console.log(`failed: ${what}: ${error && error.message ? error.message : error}`);
    process.exit(1);
};
setTimeout(() => fail('deadline', 'no result within 20 s'), 20000).unref();

const cam = new Cam({ hostname: host, port: Number(port), username, password, timeout: 5000 }, (error) => {
    if (error) fail('connect', error);
    cam.getDeviceInformation((error, info) => {
        if (error) fail('device information', error);
        console.log(`manufacturer: ${info.manufacturer}`);
        console.log(`profiles: ${cam.profiles.map((profile) => profile.$.token).join(',')}`);
        cam.getStreamUri({ protocol: 'RTSP', profileToken: cam.profiles[0].$.token }, (error, stream) => {
            if (error) fail('stream address', error);
            console.log(`stream: ${stream.uri}`);
            cam.continuousMove({ x: -0.5, y: 0.25, zoom: 0 }, (error) => {
                if (error) fail('continuous move', error);
                cam.stop({ panTilt: true, zoom: true }, (error) => {
                    if (error) fail('stop', error);
                    console.log('ptz: moved and stopped');
                    process.exit(0);
                });
            });
        });
    });
});
