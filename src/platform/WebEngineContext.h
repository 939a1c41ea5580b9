#pragma once

// Call after the application object is made and before Qt WebEngine is loaded: makes the OpenGL
// context that the engine's contexts and its windows' contexts share. Made only then, since at
// start it would load the OpenGL driver into every Parlo, browser or not.
void prepareWebEngineContext();
