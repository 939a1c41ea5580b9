#pragma once

class QMenuBar;

// Where the style puts margins around the menu-bar items so wide that some menus would go into
// the bar's extension button at width, the bar gets the same style with items only a little
// wider than their captions. Every menu then stays in sight and reachable with one click.
void fitMenuBar(QMenuBar *bar, int width);
