#!/usr/bin/env bash
# mutate.sh - measures how many deliberate faults the test suite catches.
# Each fault of the table below is applied to a scratch copy of the tree,
# the plain build is rebuilt incrementally and its tests run; the fault is
# caught when a test fails. Prints the count and the faults missed.
#   tools/mutate.sh           all faults
#   tools/mutate.sh PATTERN   only the faults whose "file: description" matches
#                             PATTERN (an extended regular expression)
#   tools/mutate.sh --check   only checks that every fault's old text is there
#   tools/mutate.sh --lines   non-blank lines of tests/ against the rest
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

non_blank() { (cd "$root" && find "$@" -type f -print0 | xargs -0 grep -Ihv '^[[:space:]]*$' | wc -l); }

if [ "${1:-}" = "--lines" ]; then
    tests=$(non_blank tests)
    code=$(non_blank src platform tools bench)
    echo "tests/: $tests non-blank lines; src/ platform/ tools/ bench/: $code; ratio $((100 * tests / code))%"
    exit 0
fi
filter=${1:-}
case "$filter" in
--check | [!-]* | "") ;;
*) echo "usage: tools/mutate.sh [--lines | --check | PATTERN]" >&2; exit 2 ;;
esac

# Each fault runs the tests whose programs were rebuilt with it, or that
# name a rebuilt program (the end-to-end tests start the demo). Of the
# demo's window tests only the keyed run is kept: it alone sees the live
# background; the others wait on real time (the bundled example's plays its
# whole tune) for paths the headless end-to-end tests already take.
skipped='^(DemoExample\.|DemoWindow\.Failures)'
test_timeout=60

# file @ exact old text @ new text @ what the fault is; "\n" is a line break.
faults=$(cat <<'EOF'
src/convert.cpp @ (pixel & 0xFF00) | ((pixel & 0xFF) << 16) @ (pixel & 0xFF00) | ((pixel & 0xFF) << 8) @ bgr32 converter shifts blue by 8 instead of 16
src/convert.cpp @ to[3 * i] = from[4 * i + 2];\n        to[3 * i + 1] = from[4 * i + 1]; @ to[3 * i] = from[4 * i + 2];\n        to[3 * i + 1] = from[4 * i + 2]; @ bgr24 converter takes green from the red byte
src/convert.cpp @ layout.greenMask == greenMask && layout.blueMask == blueMask @ layout.greenMask == greenMask @ converter choice ignores the blue mask
src/convert.cpp @ std::memcpy(destination, source, 4 * static_cast<size_t>(count)); @ std::memcpy(destination, source, 4 * static_cast<size_t>(count) - 1); @ rgb32 copy drops the row's last byte
src/convert.cpp @ using Rgb565 = Packing16<4, 0x2000, @ using Rgb565 = Packing16<4, 0x1000, @ hand-packed rgb565 puts red one bit low
src/convert.cpp @ _mm_packs_epi32(fields16x4<Packing>(from + 4 * i), fields16x4<Packing>(from + 4 * i + 16)) @ _mm_packs_epi32(fields16x4<Packing>(from + 4 * i + 16), fields16x4<Packing>(from + 4 * i)) @ SSE2 16-bit packing swaps its two halves
src/convert.cpp @ _mm_set_epi32(0, 0, 0x0000FFFF, -1) @ _mm_set_epi32(0, 0, 0x000000FF, -1) @ SSE2 24-bit packing loses the second pixel's red
src/convert.cpp @ pack16<8, 5, 3, 0xF800, 0x07E0, 0x001F> @ pack16<8, 5, 3, 0xF800, 0x07C0, 0x001F> @ rgb565 loses green's low bit
src/convert.cpp @ pack16<19, 6, -7, 0x001F, 0x03E0, 0x7C00> @ pack16<19, 6, -8, 0x001F, 0x03E0, 0x7C00> @ bgr555 blue shifted one bit too far
src/mmx.cpp @ greenTop6 = 0x0000FC000000FC00; @ greenTop6 = 0x0000FE000000FE00; @ 565 green mask one bit too wide
src/mmx.cpp @ blueLowRedHigh = 0x2000000820000008; @ blueLowRedHigh = 0x2000000420000008; @ 555 packed blue multiplier wrong
src/mmx.cpp @ (high >> 3) << 10 | (green(pixel) >> 3) << 5 @ (high >> 3) << 11 | (green(pixel) >> 3) << 5 @ 555 tail pixels put the top channel at bit 11
src/mmx.cpp @ for (int rest = count % 4; rest > 0; --rest, from += 4, to += 2) { @ for (int rest = count % 4; rest > 1; --rest, from += 4, to += 2) { @ 565 drops the last tail pixel
src/mmx.cpp @ store(to + 56, b7); @ store(to + 56, b6); @ packed copy stores the wrong word last
src/mmx.cpp @ shiftLeft64(shiftRight64(pixels01, 32), 24); @ shiftLeft64(shiftRight64(pixels01, 32), 16); @ rgb24 second pixel shifted wrongly
src/mmx.cpp @ shiftRight32(bitAnd(pair, constant(redTop5)), 14) @ shiftRight32(bitAnd(pair, constant(redTop5)), 13) @ bgr565 red shifted one bit short
src/ctimer.cpp @ maxTickRate = 2000000.0; @ maxTickRate = 4000000.0; @ counter calibrated to twice the tick rate
src/ctimer.cpp @ if (stallCount > stallLimit) { @ if (stallCount >= stallLimit) { @ stall pushed one step early
src/ctimer.cpp @ if (!available || frequency == 0) { @ if (!available) { @ a zero counter frequency is not refused
src/ctimer.cpp @ delta += millisecondWrap * secondsPerTick; @ delta = -delta; @ millisecond wrap measured backwards
src/ctimer.cpp @ counter.QuadPart) >> shift); @ counter.QuadPart) >> (shift + 1)); @ counter shifted one bit too far
src/ctimer.cpp @     updates = 0;\n    windowFrames = 0; @     windowFrames = 0; @ Reset keeps the update count
src/lista.h @ current = this;\n        return nullptr; @ return nullptr; @ Next does not rewind after the end
src/lista.h @ current = this;\n        Lista<T> *tail = this; @ Lista<T> *tail = this; @ Add does not rewind the cursor
src/lista.h @ delete obj; @ obj = nullptr; @ list drops the release of its elements
src/lista.h @ node->prev = tail; @ node->prev = node; @ back links point at the node itself
src/synka.cpp @ if (param != 0) @ if (param > 1) @ Z01 counted as a sync
src/synka.cpp @ FMUSIC_FreeSong(song);\n    FSOUND_Close(); @ FSOUND_Close();\n    FMUSIC_FreeSong(song); @ song freed after the sound is closed
src/synka.cpp @ pendingSyncs.exchange(0, std::memory_order_acquire) @ pendingSyncs.load(std::memory_order_acquire) @ delivered syncs are never cleared
src/synka.cpp @ running = false; @ running = true; @ last sync does not end the demo
src/main.cpp @ display_close();\n        return 1; @ display_close();\n        return 0; @ a bad picture list exits with 0
src/main.cpp @ currentPicture = pictures.Next(); @ pictures.Next();\n    currentPicture = pictures.Next(); @ first picture skipped
src/main.cpp @ BuildPalette(palette); @ palette[0] = 0; @ background palette never built
src/test.cpp @ y < 0 || y >= SCREEN_HEIGHT) @ y < 0 || y > SCREEN_HEIGHT) @ Put writes one row past the screen
src/test.cpp @ first += history[k]; @ first += history[k + 1]; @ random sums take the wrong earlier number
src/test.cpp @ recent[k] = initial[(additiveShortLag + k) % additiveLag]; @ recent[k] = initial[k]; @ seeded random sequence starts from the wrong word
src/test.cpp @ const uint32_t noise = static_cast<uint32_t>(draws[x]) % 40u - 20u; @ const uint32_t noise = static_cast<uint32_t>(draws[x]) % 40u - 19u; @ background noise off by one
src/test.cpp @ * weight) >> 8) & 0x0000FF00u; @ * weight) >> 8) & 0x0000FE00u; @ blend loses green's low bit
src/test.cpp @ const int left = SCREEN_WIDTH / 2 - width / 2; @ const int left = (SCREEN_WIDTH - width) / 2; @ odd-width pictures centred with the other rounding
src/test.cpp @ if (!cursor->next) @ if (!cursor->next || !cursor->next->next) @ crossfade to the last picture refused
src/test.cpp @ ((color >> 24) * level) >> 8); @ ((color >> 24) * level) >> 7); @ crossfade opacity doubled
src/test.cpp @ if (crossfadeLevel > 255.0f)\n        currentPicture = list.Next(); @ if (crossfadeLevel > 255.0f)\n        list.Next(); @ finished crossfade keeps the old picture
src/test.cpp @ music_sync_deliver();\n    if (!running) @ if (!running) @ frame loop loses the music's syncs
src/loadpng.cpp @ if (bitDepth == 16) @ if (bitDepth == 8) @ 16-bit samples not stripped
src/loadpng.cpp @ if (png_get_valid(png, info, PNG_INFO_tRNS)) @ if (!png_get_valid(png, info, PNG_INFO_tRNS)) @ transparency chunk ignored
src/loadpng.cpp @ if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) @ if (colorType == PNG_COLOR_TYPE_GRAY) @ gray pictures with alpha not turned to colour
src/loadpng.cpp @ uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; @ uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; @ RGBA red and blue swapped
src/loadpng.cpp @ const uint32_t first = keepOrder ? src[2] : src[0]; @ const uint32_t first = src[0]; @ Expand24 ignores the byte order
src/loadpng.cpp @ if (width > maxSide || height > maxSide) { @ if (width > maxSide && height > maxSide) { @ a side past the limit accepted when the other is within it
src/loadpng.cpp @ png_read_end(acquired.png, acquired.info); @ (void)0; @ end of the file never checked
src/ddraw.cpp @ primary_description(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 2, chain), @ primary_description(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, 3, chain), @ three back buffers asked for first
src/ddraw.cpp @ destinationRow += desc.lPitch; @ destinationRow += width * 4; @ surface pitch ignored
src/ddraw.cpp @ crossfadeLevel = 1.0f; @ crossfadeLevel = 255.0f; @ SPACE does not start a crossfade
src/ddraw.cpp @ switch (wParam & 0xFF) { @ switch (wParam & 0x0F) { @ key code masked to 4 bits
src/ddraw.cpp @ display_close();\n    ExitProcess(0); @ display_close();\n    ExitProcess(1); @ ESC and close exit with 1
src/ddraw.cpp @ if (windowed)\n            break;\n        SetCursor(nullptr); @ SetCursor(nullptr); @ a window hides the cursor
src/ddraw.cpp @ if (!window_layout(&client, &picture)) { @ if (!active || !window_layout(&client, &picture)) { @ a window stops drawing while another program is active
src/ddraw.cpp @ sourceOffsets[x] = (2 * x + 1) * width / (2 * pictureWidth) * bytesPerPixel; @ sourceOffsets[x] = x * width / pictureWidth * bytesPerPixel; @ a window's picture samples the left edge of each pixel, not its centre
src/ddraw.cpp @ AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE); @ (void)frame; @ the window's first size leaves out its frame
src/ddraw.cpp @ const LONG left = client.left + (clientWidth - pictureWidth) / 2; @ const LONG left = client.left; @ the letterboxed picture not centred across
src/ddraw.cpp @ black.dwFillColor = 0; @ black.dwFillColor = 0xFFFFFF; @ the bars painted white
src/ddraw.cpp @ spread_row<3>(row, pictureWidth); @ spread_row<2>(row, pictureWidth); @ a 24-bit desktop's window spread in 2-byte pixels
platform/clock.cpp @ frameTicksPerSecond ? frameTicksPerSecond : nanosecondsPerSecond; @ frameTicksPerSecond ? frameTicksPerSecond : nanosecondsPerSecond / 2; @ performance frequency half the counter's rate
platform/clock.cpp @ MonotonicNanoseconds() / nanosecondsPerMillisecond); @ MonotonicNanoseconds() / nanosecondsPerSecond); @ millisecond clock in seconds
platform/clock.cpp @ if (milliseconds == 0) { @ if (milliseconds <= 1) { @ Sleep(1) does not sleep
platform/library.cpp @ --directDrawLibrary.loadCount; @ (void)0; @ FreeLibrary keeps the library loaded
platform/library.cpp @ module != &directDrawLibrary || directDrawLibrary.loadCount == 0 || !procName) @ module != &directDrawLibrary || !procName) @ procedures of an unloaded library found
platform/library.cpp @ == 0 && directDrawLibrary.loadCount > 0) @ == 0) @ handle of an unloaded library returned
platform/process.cpp @ std::fflush(nullptr); @ (void)0; @ output lost at exit
platform/process.cpp @ std::_Exit(static_cast<int>(exitCode)); @ std::_Exit(0); @ exit code lost
platform/keys.cpp @ {SDLK_ESCAPE, 0x1B} @ {SDLK_ESCAPE, 0x1C} @ ESC mapped to the wrong code
platform/keys.cpp @ if (key >= SDLK_a && key <= SDLK_z) @ if (key >= SDLK_a && key < SDLK_z) @ Z is not a letter
platform/icon.cpp @ art_colour(art[y][x]); @ art_colour(art[x][y]); @ icon transposed
platform/icon.cpp @ case 'k': return 0xFF000000; @ case 'k': return 0x00000000; @ icon's black transparent
platform/window.cpp @ std::copy(queue + i + 1, queue + queueLength, queue + i);\n            --queueLength; @ --queueLength; @ PeekMessage removes the last message, not the one read
platform/window.cpp @ msg.message = WM_CLOSE; @ msg.message = WM_KEYDOWN; @ close request reported as a key
platform/window.cpp @ while (queueLength < QUEUE_CAPACITY && screen().next_event(&event)) @ while (screen().next_event(&event) && queueLength < QUEUE_CAPACITY) @ an input event lost when the queue is full
platform/directdraw.cpp @ owner->primary = nullptr;\n    owner->Release(); @ owner->primary = nullptr; @ surfaces never release their DirectDraw
platform/directdraw.cpp @ std::swap(*previous, back->memory);\n        previous = &back->memory; @ std::swap(*previous, back->memory); @ flip does not turn a chain of two
platform/directdraw.cpp @ return mode != owner->mode; @ return false; @ surfaces of an earlier mode not lost
platform/directdraw.cpp @ if (primary)\n        return DDERR_PRIMARYSURFACEALREADYEXISTS; @ if (false)\n        return DDERR_PRIMARYSURFACEALREADYEXISTS; @ a second primary allowed
platform/directdraw.cpp @ if (exclusive)\n        window_leave_screen(window);\n    screen().close(); @ screen().close(); @ release keeps the window on the screen
platform/directdraw.cpp @ destination->left - origin.x, @ destination->left, @ blits onto the desktop ignore where the window is across
platform/directdraw.cpp @ ((pixel & mask) >> shift) * 255 / (mask >> shift) @ ((pixel & mask) >> shift) @ fill colours not widened to 8 bits
platform/sdl_screen.cpp @ {"bgr565", {16, true, 0x001F, 0x07E0, 0xF800}}, @ {"bgr565", {16, true, 0xF800, 0x07E0, 0x001F}}, @ bgr565 screen laid out as rgb565
platform/sdl_screen.cpp @ return count >= 1 && count <= 3; @ return count >= 1 && count <= 1; @ only one back buffer granted
platform/sdl_screen.cpp @ bits < 0 || static_cast<uint32_t>(bits) != layout.bits) @ bits < 0) @ any depth accepted
platform/sdl_screen.cpp @ case SDL_WINDOWEVENT_FOCUS_LOST:\n                *event = {ScreenEventKind::Deactivate, 0}; @ case SDL_WINDOWEVENT_FOCUS_LOST:\n                *event = {ScreenEventKind::Activate, 0}; @ focus loss reported as activation
platform/sdl_screen.cpp @ SDL_RenderCopy(renderer, shown, nullptr, &rect); @ SDL_RenderCopy(renderer, shown, nullptr, nullptr); @ a window's picture stretched over the whole client area
platform/sound/tracker_sound.cpp @ if (order != mixer.order || row != mixer.row) { @ if (row != mixer.row) { @ a new order at the same row is no row start
platform/sound/tracker_sound.cpp @ cell < cells.last; ++cell) @ cell + 1 < cells.last; ++cell) @ last sync cell of a row not called
platform/sound/tracker_sound.cpp @ mixer.handed += block;\n        call_sync(starts, count); @ call_sync(starts, count);\n        mixer.handed += block; @ syncs called before their block is handed
platform/sound/tracker_sound.cpp @ static_cast<size_t>(order) >= module->layout.orders.size()) @ static_cast<size_t>(order) > module->layout.orders.size()) @ order past the end accepted
platform/sound/tracker_sound.cpp @ if (mixer.playing == module)\n            mixer.playing = nullptr; @ if (mixer.playing == nullptr)\n            mixer.playing = module; @ a freed song keeps playing
platform/sound/tracker_sound.cpp @ module->callback = callback; @ (void)callback; @ the sync callback never set
platform/sound/xm_patterns.cpp @ kZEffect = 0x23; @ kZEffect = 0x22; @ Yxx taken for the sync effect
platform/sound/xm_patterns.cpp @ present[field] = (lead >> field) & 1; @ present[field] = (lead >> (field + 1)) & 1; @ packed cell flags read one bit off
platform/sound/xm_patterns.cpp @ out.blanked[fieldAt[effectField]] = 0; @ (void)0; @ sync effect left in the played file
platform/sound/xm_patterns.cpp @ packing != 0 || rows < 1 @ rows < 1 @ unknown pattern packing accepted
platform/sound/xm_patterns.cpp @ (cell.pattern == at.first && cell.row < at.second); @ (cell.pattern == at.first && cell.row <= at.second); @ sync lookup skips the row asked for
platform/sound/xm_patterns.cpp @ file.u8(fieldAt[paramField]) : 0; @ file.u8(fieldAt[paramField]) : 1; @ a sync without parameter taken as Z01
platform/sound/output_sdl.cpp @ bytes / static_cast<int>(2 * sizeof(int16_t))); @ bytes / static_cast<int>(4 * sizeof(int16_t))); @ device asks for half its frames
platform/sound/output_sdl.cpp @ SDL_PauseAudioDevice(device, 0); @ SDL_PauseAudioDevice(device, 1); @ device never started
platform/sound/tracker_sound.cpp @ output.device = outputType == -1; @ output.device = true; @ no-device output still opens the device
platform/sound/tracker_sound_syncs.cpp @ start.frame = frame - 1; @ start.frame = frame; @ sync walk times a row one frame late
src/options.cpp @ value < 1 || value > maxScale @ value < 0 || value > maxScale @ scale 0 accepted
src/options.cpp @ !options.capture.empty() > 1) @ !options.capture.empty() > 2) @ two modes at once accepted
src/synclist.cpp @ else if (changes == names.size()) @ else if (changes == names.size() + 1) @ listing misses the ending Z00
src/capture.cpp @ tracker_sound_pull(samples, sliceFrames);\n        if (!NextFrame()) @ if (!NextFrame())\n            break;\n        tracker_sound_pull(samples, sliceFrames);\n        if (false) @ capture draws a frame before its slice's syncs
src/capture.cpp @ if (code != 0) {\n        part_remove(); @ if (code != 0) { @ failed capture leaves its temporary file
src/video_file.cpp @ for (int copy = 0; copy < layout.scale; ++copy)\n                *at++ = row[x]; @ for (int copy = 0; copy < layout.scale; ++copy)\n                *at++ = row[x ? x - 1 : 0]; @ enlarged frame shifted by a pixel
src/video_file.cpp @ (rest == 0 || encode_samples(file, rest, error)) @ (true) @ the audio's last part dropped
platform/sound/output_sdl.cpp @ SDL_QuitSubSystem(SDL_INIT_AUDIO);\n    device = 0; @ SDL_QuitSubSystem(SDL_INIT_AUDIO); @ a closed device cannot be opened again
src/loadpng.cpp @ return size > keep ? Span{size / 2 - keep / 2, keep} : Span{0, size}; @ return size > keep ? Span{0, keep} : Span{0, size}; @ a large picture keeps its top left corner instead of its middle
src/loadpng.cpp @ if (inside && pass > 0) @ if (inside && pass > 1) @ interlaced crop loses the first pass's pixels
src/loadpng.cpp @ const bool inside = y >= rows.first && y < rows.first + rows.count; @ const bool inside = y >= rows.first && y <= rows.first + rows.count; @ crop keeps one row too many
src/loadpng.cpp @ if (std::feof(acquired.file))\n        return "the file ends early"; @ if (std::ferror(acquired.file))\n        return "the file ends early"; @ a truncated file reported as corrupt
src/loadpng.cpp @ if (png_sig_cmp(signature, 0, got) != 0) { @ if (png_sig_cmp(signature, 0, signatureBytes) != 0) { @ a short PNG prefix reported as not a PNG file
src/test.cpp @ if (!picture->Load(name.c_str(), SCREEN_WIDTH, SCREEN_HEIGHT, &reason)) { @ if (!picture->Load(name.c_str(), SCREEN_WIDTH, SCREEN_HEIGHT)) { @ a picture's refusal gives no reason
platform/regular_file.cpp @ if (!examined || !S_ISREG(status.st_mode)) { @ if (!examined || S_ISDIR(status.st_mode)) { @ FIFOs and devices opened as files
platform/regular_file.cpp @ O_RDONLY | O_NONBLOCK | O_NOCTTY @ O_RDONLY | O_NOCTTY @ the open of a FIFO blocks
platform/file_reason.cpp @ case ENOENT:\n        return "no such file"; @ case ENOENT: @ a missing file reported as permission denied
src/message.cpp @ if (value < 0x20 || (value >= 0x7F && value < 0xA0)) @ if (value < 0x20) @ DEL and C1 controls echoed raw
src/message.cpp @ return shown.substr(0, starts[keptAtStart]) + "…" + shown.substr(starts[starts.size() - keptAtEnd]); @ return shown; @ long names echoed whole
src/message.cpp @ if (value < smallest[length] || @ if ( @ overlong UTF-8 echoed raw
platform/sound/song_file.cpp @ FILE *file = regular_file_open(name, "rb", error); @ FILE *file = std::fopen(name, "rb"); @ the module opened whatever it is
src/capture.cpp @ unlink(part.path);\n    signal(number, SIG_DFL); @ signal(number, SIG_DFL); @ a signal leaves the temporary file behind
src/capture.cpp @ signal(number, SIG_DFL);\n    raise(number); @ _exit(1); @ a capture ended by a signal exits with 1, hiding the signal
src/capture.cpp @ part.handled[i] = current.sa_handler != SIG_IGN; @ part.handled[i] = true; @ an ignored SIGXFSZ handled, so a full file ends the program instead of failing
src/capture.cpp @ file.substr(0, folderLength) + stem + suffix; @ file.substr(0, folderLength) + stem + ".part"; @ the temporary file takes the fixed name FILE.part
src/capture.cpp @ file.substr(folderLength, NAME_MAX - suffixLength) @ file.substr(folderLength) @ a final name at the longest leaves no room for the temporary one
src/capture.cpp @ O_NOFOLLOW | O_CLOEXEC, 0666); @ O_NOFOLLOW | O_CLOEXEC, 0600); @ the capture's file ignores the umask's mode
src/capture.cpp @ stat(settings.file.c_str(), &status) == 0 && S_ISDIR @ lstat(settings.file.c_str(), &status) == 0 && S_ISDIR @ a link to a folder rendered into and replaced
src/capture.cpp @ if (silent && (settings.seconds <= 0 || settings.from)) @ if (silent) @ a capture without its tune refused even when told where to stop
src/capture.cpp @ if (!silent && !music_start_offline( @ if (!music_start_offline( @ a silent capture still needs its tune to load
src/capture.cpp @ std::fputs(silentWarning.c_str(), stderr); @ (void)0; @ a silent capture never says so
src/video_file.cpp @ file, nullptr, write_out, seek_out) @ file, nullptr, write_out, nullptr) @ the video output cannot seek
src/video_file.cpp @ lseek(descriptor, offset, whence & ~AVSEEK_FORCE) @ lseek(descriptor, 0, SEEK_END) @ the video output's seeks all go to its end
src/options.cpp @ value > static_cast<double>(maxCaptureSeconds)) @ value > static_cast<double>(maxCaptureSeconds) + 1) @ --seconds accepted past the longest capture the counters hold
src/options.cpp @ ", not \"" +\n                        Printable(value) @ ", not \"" +\n                        value @ --scale echoes its value raw
src/main.cpp @ Printable(options.folder).c_str() @ options.folder.c_str() @ the folder's name echoed raw
src/main.cpp @ captureName = Printable(options.capture); @ captureName = options.capture; @ the capture's name echoed raw
src/overlay.cpp @ (((color & 0x00FF00u) * 3 >> 3) & 0x00FF00u) @ (color & 0x00FF00u) @ the overlay's band leaves green as bright as the frame
src/overlay.cpp @ (((color & 0xFF00FFu) * 3 >> 3) & 0xFF00FFu) @ (((color & 0xFF00FFu) * 3 >> 2) & 0xFF00FFu) @ the overlay's band too light, red spilling into blue
src/overlay.cpp @ text += c >= ' ' && c <= '~' ? c : '?'; @ text += c; @ the overlay hands the font characters it has no glyph for
src/overlay.cpp @ bandTop + bandTopMargin + i * linePitch); @ bandTop + bandTopMargin + 4 + i * linePitch); @ the overlay's lines four rows low, the last cut at the screen's edge
src/overlay.cpp @ std::copy(frame, frame + bandTop * SCREEN_WIDTH, out); @ std::copy(frame, frame + (bandTop - 1) * SCREEN_WIDTH, out); @ the overlay leaves the row above its band uncopied
src/overlay.cpp @ const int count = std::min(int(lines.size()), OVERLAY_MAX_LINES); @ const int count = std::min(int(lines.size()), OVERLAY_MAX_LINES - 1); @ the overlay drops its fourth line
src/shot.cpp @ uint8_t(frame[i] >> 16), uint8_t(frame[i] >> 8), uint8_t(frame[i]) @ uint8_t(frame[i]), uint8_t(frame[i] >> 8), uint8_t(frame[i] >> 16) @ the screenshot swaps red and blue
src/shot.cpp @ "shot-%03d.png", number); @ "shot-%03d.png", number + 1); @ the screenshot numbers start at 002
src/shot.cpp @ if (taken)\n            continue; @ if (taken)\n            break; @ a taken screenshot name ends the search
platform/regular_file.cpp @ O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC @ O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC @ a new file replaces whatever had its name, through a link too
platform/file_reason.cpp @ error == ENOTDIR ? "not a folder" @ error == ENOTDIR ? "no such folder" @ a file in place of a folder reported as missing
platform/file_reason.cpp @ error == ENOENT ? "no such folder" @ error == EEXIST ? "no such folder" @ a capture into a missing folder reported as a missing file
platform/file_reason.cpp @ case ENAMETOOLONG:\n        return "the name is too long"; @ case ENAMETOOLONG + 4096:\n        return "the name is too long"; @ a name too long reported in the system's words
platform/file_reason.cpp @ std::tolower(static_cast<unsigned char>(words[0])) @ std::toupper(static_cast<unsigned char>(words[0])) @ the system's rarer words begin in upper case mid-line
src/video_file.cpp @ if (code < 0 && code > -errnoLimit) @ if (code > 0 && code > -errnoLimit) @ the encoder's system errors told in FFmpeg's words
src/main.cpp @ if (type == std::filesystem::file_type::not_found)\n        return "no such folder"; @ if (false)\n        return "no such folder"; @ a missing show folder reported as a missing file
src/main.cpp @ std::filesystem::file_type::directory)\n        return "not a folder"; @ std::filesystem::file_type::directory)\n        return error_reason(failure); @ a file given as the show's folder reported in the system's words
src/png_save.cpp @ png_set_compression_level(png, 9); @ png_set_compression_level(png, 6); @ PNG files written at another compression, not the same file for the same pixels
src/ddraw.cpp @ keyHandler(static_cast<unsigned>(wParam & 0xFF)); @ (void)0; @ other keys never reach the key handler
src/ddraw.cpp @ if (!(HIWORD(lParam) & KF_REPEAT))\n                switchAsked = !switchAsked; @ switchAsked = !switchAsked; @ a held Alt+Enter switches again on every repeat
src/ddraw.cpp @ switchAsked = !switchAsked; @ switchAsked = true; @ Alt+Enter twice in one frame switches once
src/ddraw.cpp @ for (int attempt = 0; attempt < 2; ++attempt) { @ for (int attempt = 0; attempt < 1; ++attempt) { @ a switch that fails does not go back the way it was
src/ddraw.cpp @ UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance); @ (void)windowClass; @ the class never unregistered, so a switched window keeps the first one's cursor
src/ddraw.cpp @ void display_pump()\n{\n    if (is_open()) @ void display_pump()\n{\n    if (false) @ display_pump dispatches nothing
src/ddraw.cpp @ MsgWaitForMultipleObjects(0, nullptr, FALSE, limit, QS_ALLINPUT); @ Sleep(limit); @ display_wait sleeps through input
src/ddraw.cpp @     pump_messages();\n    if (!is_open())\n        return 0; @     pump_messages(); @ a display closed by a key's handler is presented into
platform/keys.cpp @ {SDLK_RIGHTBRACKET, VK_OEM_6} @ {SDLK_RIGHTBRACKET, VK_OEM_4} @ ] mapped as [
platform/window.cpp @ (system && event.alt ? KF_ALTDOWN : 0) @ (0) @ a system key without Alt's flag
platform/window.cpp @ (event.alt && event.key != VK_SPACE && event.key != VK_ESCAPE) @ (event.alt) @ SPACE and ESC held with Alt taken for system keys
platform/window.cpp @ if (queueLength > 0)\n        return WAIT_OBJECT_0; @ if (false)\n        return WAIT_OBJECT_0; @ a wait for input ignores the queued messages
platform/sdl_screen.cpp @ SDL_RenderSetLogicalSize(renderer, 0, 0); @ (void)0; @ a window after full-screen drawn in the mode's scaled coordinates
platform/sdl_screen.cpp @ (e.key.keysym.mod & KMOD_ALT) != 0 @ false @ keys held with Alt reported without it
src/timeline.cpp @ if (frame >= timeline.walk.frames) @ if (frame > timeline.walk.frames) @ a position at the tune's very end taken as played
src/timeline.cpp @ loaded.syncsThrough[i] += loaded.syncsThrough[i - 1]; @ loaded.syncsThrough[i] |= loaded.syncsThrough[i - 1]; @ a row's sync count forgets the rows before it
src/timeline.cpp @ text.find_first_not_of("0123456789.") @ text.find_first_not_of("0123456789.-") @ a negative position accepted
src/timeline.cpp @ } else if (SyncsThrough(timeline, RowAt(timeline, frame)) >= pictures) { @ } else if (SyncsThrough(timeline, RowAt(timeline, frame)) > pictures) { @ a start on the ending Z00's row accepted
src/timeline.cpp @ frame - timeline.walk.rows[static_cast<size_t>(sync)].frame < grace @ frame - timeline.walk.rows[static_cast<size_t>(sync)].frame < 0 @ back from just after a sync stays on it
src/timeline.cpp @ static_cast<long long>(hundredths / 100 % 60) @ static_cast<long long>(hundredths / 100) @ music time shows seconds past a minute
src/timeline.cpp @ return row == 0 || rows[row].order != rows[row - 1].order; @ return row == 0 || rows[row].row == 0; @ an order starts at every row 0, loops and breaks ignored
src/capture.cpp @ if (frame < first)\n            continue; @ if (false)\n            continue; @ a capture from a position keeps the frames before it
src/capture.cpp @ limit = first + std::max<int64_t> @ limit = std::max<int64_t> @ --seconds counted from the tune's start, not the position
src/capture.cpp @ kind == VideoKind::Matroska ? 1 : 4 @ kind == VideoKind::Matroska ? 4 : 4 @ .mkv captures enlarged by default
platform/sound/tracker_sound.cpp @ mixer.order = seen ? order : -1; @ mixer.order = -1; @ a seek calls its own row's Zxx again
platform/sound/tracker_sound.cpp @ if (!song || song->paused) { @ if (!song) { @ a paused song plays on
platform/sound/tracker_sound.cpp @ openmpt_module_set_position_order_row(song->player, order, row);\n    song->rendered = 0; @ openmpt_module_set_position_order_row(song->player, order, row); @ seconds played not counted from a move
src/edit.cpp @ if (session.paused || session.ended) {\n        DrawFrame(); @ if (session.ended) {\n        DrawFrame(); @ a jump while paused leaves the old frame on screen
src/edit.cpp @ session.loopEnd > session.loopStart &&\n        frame >= session.loopEnd @ session.loopEnd > session.loopStart &&\n        frame >= session.loopEnd + captureSampleRate * 60 @ the loop never returns from its end
src/edit.cpp @ if (line != file.failure)\n @ if (true)\n @ a broken file's line repeated at every look
src/edit.cpp @ return exists != other.exists || time != other.time || size != other.size; @ return exists != other.exists || size != other.size; @ a file rewritten at the same size is not seen
src/edit.cpp @ session.paused = !session.paused;\n            HoldMusic(); @ session.paused = !session.paused; @ P stops the frames but not the music
src/edit.cpp @ SaveShot(session.settings.shotFolder, shown, name, error) @ SaveShot(session.settings.shotFolder, overlaid, name, error) @ F12 saves the frame with the overlay on it
src/edit.cpp @ session.names = names;\n    return true;\n} @ return true;\n} @ a changed list's pictures named by the old list
src/options.cpp @ if (options.fromGiven && options.listSyncs) { @ if (false) { @ --from taken with --list-syncs
EOF
)

scratch=$(mktemp -d /tmp/mutate.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
tree=$scratch/tree
build=$scratch/build
mkdir "$tree"
tar -C "$root" --exclude='./build*' --exclude=./.git --exclude='./artefacts' -cf - . | tar -C "$tree" -xf -

# Every fault's old text must be in its file exactly once, checked before
# anything is built, so that a stale table fails at once.
apply() { # apply <file> <old> <new>: the substitution in the scratch tree
    python3 - "$tree/$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1], sys.argv[2].replace('\\n', '\n'), sys.argv[3].replace('\\n', '\n')
text = open(path).read()
if text.count(old) != 1:
    sys.exit(f"mutate.sh: {path}: the old text occurs {text.count(old)} times, not once: {old!r}")
if new != "--check":
    open(path, 'w').write(text.replace(old, new))
PY
}
split() { # sets file, old, new, what from one table line
    local line=$1
    file=${line%% @ *}; line=${line#* @ }
    old=${line%% @ *}; line=${line#* @ }
    new=${line%% @ *}; what=${line#* @ }
}
total=0
while IFS= read -r line; do
    [ -n "$line" ] || continue
    split "$line"
    apply "$file" "$old" --check
    total=$((total + 1))
done <<<"$faults"
# The same change listed twice would count one caught fault twice.
repeated=$(cut -d@ -f1-3 <<<"$faults" | sort | uniq -d)
if [ -n "$repeated" ]; then
    echo "mutate.sh: a fault is listed more than once: $repeated" >&2
    exit 2
fi
echo "mutate.sh: $total faults, all found once"
[ "$filter" != "--check" ] || exit 0

start=$SECONDS
# The plain build's optimisation without its debug information, which
# only slows every relink.
cmake -S "$tree" -B "$build" -G Ninja -DDEMO_WINDOWS_BUILD= -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
    >"$scratch/configure.log" 2>&1 ||
    { cat "$scratch/configure.log"; echo "mutate.sh: configure failed" >&2; exit 2; }
cmake --build "$build" -j2 >"$scratch/build.log" 2>&1 ||
    { tail -30 "$scratch/build.log"; echo "mutate.sh: the unchanged tree does not build" >&2; exit 2; }
if ! ctest --test-dir "$build" -j2 -E "$skipped" --timeout "$test_timeout" >"$scratch/baseline.log" 2>&1; then
    grep -E 'Failed|Timeout|Not Run' "$scratch/baseline.log" | head
    echo "mutate.sh: the unchanged tree fails its tests" >&2
    exit 2
fi
echo "mutate.sh: unchanged tree built and passing ($((SECONDS - start)) s)"
ctest --test-dir "$build" --show-only=json-v1 >"$scratch/tests.json"

# The ctest pattern of the tests that can see what was rebuilt since the
# stamp; empty when none can.
select_tests() {
    python3 - "$build" "$scratch/stamp" "$skipped" "$scratch/tests.json" <<'PY'
import json, os, re, sys
build, stamp, skipped, listing = sys.argv[1:]
since = os.path.getmtime(stamp)
rebuilt = []
for folder, _, files in os.walk(build):
    if '/CMakeFiles' in folder:
        continue
    for name in files:
        path = os.path.join(folder, name)
        if os.access(path, os.X_OK) and os.path.getmtime(path) >= since:
            rebuilt.append(path)
contents = {}
def names_rebuilt(arg):
    if not os.path.isfile(arg):
        return False
    if arg not in contents:
        contents[arg] = open(arg, 'rb').read()
    return any(path.encode() in contents[arg] for path in rebuilt)
chosen = []
for test in json.load(open(listing))['tests']:
    words = list(test.get('command', []))
    for prop in test.get('properties', []):
        if prop['name'] == 'ENVIRONMENT':
            words += prop['value']
    if re.search(skipped, test['name']):
        continue
    if any(path in word for word in words for path in rebuilt) or any(names_rebuilt(w) for w in words):
        chosen.append(re.sub(r'([][.*+?()|^$\\])', r'\\\1', test['name']))
print('^(' + '|'.join(chosen) + ')$' if chosen else '')
PY
}

caught=0
missed=()
timedOut=()
broken=()
while IFS= read -r line; do
    [ -n "$line" ] || continue
    split "$line"
    [[ "$file: $what" =~ $filter ]] || continue
    cp "$tree/$file" "$scratch/original"
    touch "$scratch/stamp"
    sleep 1
    apply "$file" "$old" "$new"
    tests=
    if ! cmake --build "$build" -j2 >"$scratch/build.log" 2>&1; then
        grep -m3 'error' "$scratch/build.log" >&2 || true
        broken+=("$file: $what")
        result=broken
    elif tests=$(select_tests) && [ -z "$tests" ] ||
        timeout 600 ctest --test-dir "$build" -j2 -R "$tests" --timeout "$test_timeout" --stop-on-failure \
            >"$scratch/test.log" 2>&1; then
        missed+=("$file: $what")
        result=missed
    elif grep -q '\*\*\*Timeout' "$scratch/test.log" && ! grep -qE '\*\*\*(Failed|Exception)' "$scratch/test.log"; then
        # A slow test on a busy machine proves nothing about the fault.
        timedOut+=("$file: $what")
        result="timed out"
    else
        caught=$((caught + 1))
        by=$(sed -n 's/.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*/\1/p' "$scratch/test.log" | head -1)
        result="caught by ${by:-a test}:"
    fi
    # Written back, not moved: the restored file is newer than the faulty
    # objects, so the build compiles it again.
    cat "$scratch/original" >"$tree/$file"
    cmake --build "$build" -j2 >"$scratch/build.log" 2>&1
    printf '%s %s: %s\n' "$result" "$file" "$what"
done <<<"$faults"

echo
echo "caught $caught of $((caught + ${#missed[@]} + ${#timedOut[@]})) faults in $((SECONDS - start)) s"
if [ ${#missed[@]} -gt 0 ]; then
    echo "missed:"
    printf '  %s\n' "${missed[@]}"
fi
if [ ${#timedOut[@]} -gt 0 ]; then
    echo "undecided, a test ran out of time (run these again on a quieter machine):"
    printf '  %s\n' "${timedOut[@]}"
fi
if [ ${#broken[@]} -gt 0 ]; then
    echo "not compiling, to be fixed in the table:"
    printf '  %s\n' "${broken[@]}"
    exit 1
fi
