# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# What a release fills in: every address the package, the changelog and the software centres show.
# These are placeholders until the project has a maintainer address, a homepage and a bug tracker.
set(MAINTAINER "Lemzor developers <lemzor@example.org>")
set(HOMEPAGE "https://lemzor.example.org/")
set(BUGTRACKER "https://lemzor.example.org/issues")
# Where the screenshot that the build makes (build/resources/screenshot.png) is published.
set(SCREENSHOT_URL "https://lemzor.example.org/screenshot.png")
