// sound_output.cpp - the audio device in the browser: a Web Audio context
// at the mixing rate, whose script processor asks for the next samples on
// the page's one thread whenever the browser runs out. A block is handed
// to the browser's output when the processor's request returns. Owns the
// context, the processor and the samples of the request under way.
#include "sound_output.h"

#include <emscripten.h>

#include <vector>

namespace {

// Blocks per processor request. The request runs between the frame loop's
// turns on the page's thread, so its buffer must outlast a frame's work:
// two 512-frame blocks at 44.1 kHz are 23 ms, longer than a frame.
constexpr int blocksPerRequest = 2;

SoundPull devicePull = nullptr;
int deviceBlockFrames = 0;
std::vector<int16_t> samples;

} // namespace

// Fills the request's samples, block by block as the pull expects, and
// returns where they are for the processor to copy.
extern "C" EMSCRIPTEN_KEEPALIVE int16_t *web_sound_fill()
{
    for (int block = 0; block < blocksPerRequest; ++block)
        devicePull(samples.data() + 2 * block * deviceBlockFrames, deviceBlockFrames);
    return samples.data();
}

// The page keeps what it measures of the output in Module.soundStats: how
// many requests were answered, and the sum and maximum of the time from
// handing a request's samples to their leaving the speakers.
EM_JS(int, web_sound_start, (int rate, int frames), {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context)
        return 0;
    var context;
    try {
        context = new Context({sampleRate: rate});
    } catch (e) {
        return 0;
    }
    var node = context.createScriptProcessor(frames, 0, 2);
    var stats = Module.soundStats = {requests: 0, delaySum: 0, delayMax: 0};
    node.onaudioprocess = function(event) {
        var at = _web_sound_fill() >> 1;
        var left = event.outputBuffer.getChannelData(0);
        var right = event.outputBuffer.getChannelData(1);
        for (var i = 0; i < frames; ++i, at += 2) {
            left[i] = HEAP16[at] / 32768;
            right[i] = HEAP16[at + 1] / 32768;
        }
        var delay = event.playbackTime - context.currentTime + (context.baseLatency || 0) +
                    (context.outputLatency || 0);
        stats.requests++;
        stats.delaySum += delay;
        stats.delayMax = Math.max(stats.delayMax, delay);
    };
    node.connect(context.destination);
    context.resume();
    Module.webSound = {context: context, node: node};
    return 1;
});

EM_JS(void, web_sound_stop, (), {
    var sound = Module.webSound;
    sound.node.onaudioprocess = null;
    sound.node.disconnect();
    sound.context.close();
    Module.webSound = null;
});

bool sound_output_open(int driver, int rate, int blockFrames, SoundPull pull)
{
    if (devicePull || driver > 0)
        return false;
    samples.assign(2 * static_cast<size_t>(blockFrames) * blocksPerRequest, 0);
    devicePull = pull;
    deviceBlockFrames = blockFrames;
    if (!web_sound_start(rate, blockFrames * blocksPerRequest)) {
        devicePull = nullptr;
        return false;
    }
    return true;
}

void sound_output_close()
{
    if (!devicePull)
        return;
    web_sound_stop();
    devicePull = nullptr;
}
