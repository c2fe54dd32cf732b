// The keys of the picture store: what each picture type is for. The image manager files its
// built-in pictures under these names and every drawing call asks by them. Strips (button
// skins) are filed under the button states 0 to 3; whole pictures under index 0, slides under
// their number.
#pragma once

enum ImageType : int {
    kImageSmallButton = 1,      // strip: small text buttons (browse)
    kImageFinishButton = 2,     // strip: the finish page's main button
    kImageInstallButton = 3,    // strip: the install button of the start and install-path pages
    kImageCloseButton = 4,      // strip: the pages' close buttons
    kImageMinimiseButton = 5,   // strip: the pages' minimise buttons
    kImageBoxClose = 6,         // strip: the message box's close button
    kImageBoxButton = 7,        // strip: the message box's OK and cancel buttons
    kImageUnchecked = 9,        // strip: check box, cleared
    kImageChecked = 10,         // strip: check box, ticked
    kImageProgress = 11,        // index 0 the track, 1 the fill
    kImageBackground = 12,      // the main window's background behind every page
    kImageBoxBackground = 13,   // the message box's background
    kImageLoading = 14,         // the loading window's background
    kImageIcon = 15,            // the pages' top-left icon
    kImageSeparator = 16,       // the line above the pages' bottom strip
    kImageFinish = 17,          // the finish picture (from the server only)
    kImageSlide = 18,           // slides by number; 0 is built in
    kImageCustomButton = 19,    // the start page's custom-install button, one picture
    kImageStartPicture = 20,    // the start page's picture
    kImageFinishMark = 24,      // the finish page's bottom mark
    kImageInstallBlocked = 25,  // strip: the install button while the agreement is cleared
    kImageBackButton = 26,      // strip: the install-path page's back button
};

// Index of the progress bar's pictures under kImageProgress.
constexpr unsigned kProgressTrack = 0;
constexpr unsigned kProgressFill = 1;
