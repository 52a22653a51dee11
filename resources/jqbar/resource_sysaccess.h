// Resource ids of the toolbar's system panels: printers bar, System Access, MultiView.
#pragma once

// System Access actions: label strings.
#define IDS_SA_SHUTDOWN 527
#define IDS_SA_RESTART 528
#define IDS_SA_DOSMODE 529
#define IDS_SA_LOGON 530
#define IDS_SA_RESOLUTION 531
#define IDS_SA_RESTARTWINDOWS 532
#define IDS_SA_PRINTSCREEN 802
#define IDS_SA_SCREENSAVER 803
// System Access action command ids.
#define IDM_SA_SHUTDOWN 560
#define IDM_SA_RESTART 561
#define IDM_SA_RESTARTWINDOWS 562
#define IDM_SA_DOSMODE 563
#define IDM_SA_LOGON 564
#define IDM_SA_RESOLUTION 565
#define IDM_SA_PRINTSCREEN 573
#define IDM_SA_SCREENSAVER 590

// Resolution labels and the questions and messages of the actions.
#define IDS_SA_RES_640 557
#define IDS_SA_RES_800 558
#define IDS_SA_RES_1024 559
#define IDS_SA_RES_1280 560
#define IDS_SA_RES_1600 561
#define IDS_SA_RES_RESTART 562
#define IDS_SA_RES_CAPTION 563
#define IDS_SA_RES_FAILED 564
#define IDS_SA_CAPTION 565
#define IDS_SA_ASK_SHUTDOWN 566
#define IDS_SA_ASK_RESTART 567
#define IDS_SA_ASK_DOSMODE 568
#define IDS_SA_ASK_LOGON 569
#define IDS_SA_ASK_RESTARTWINDOWS 570
#define IDS_SA_TYPE 608
#define IDS_SA_TYPE_DESC 609
#define IDS_SA_RES_WARNING 612
#define IDS_SA_RES_WARNING_CAPTION 613
#define IDS_SA_RES_RESTORED 614
#define IDS_SA_RES_RESTORED_CAPTION 615

// Screen resolution dialog and its confirmation.
#define IDD_SA_RESOLUTION 623
#define IDC_SA_RES_TRACKBAR 624
#define IDC_SA_RES_LABEL 625
#define IDD_SA_CONFIRMMODE 658
#define IDT_SA_CONFIRMMODE 2

// Printers bar.
#define IDS_PB_TYPE 583
#define IDS_PB_TYPE_DESC 584
#define IDS_PB_PROPERTIES 422
#define IDS_PB_HIDE 627
#define IDM_PB_PROPERTIES 486
#define IDM_PB_HIDE 689
#define IDI_PB_NODEFAULT 780
#define IDI_PB_DEFAULT 781
#define IDI_PB_SMALLPRINTER 363
#define IDI_PB_LARGEPRINTER 408
#define IDB_PB_TYPE 482
#define IDB_PB_TYPE_MASK 483

// MultiView.
#define IDS_MV_TYPE 585
#define IDS_MV_TYPE_DESC 586
#define IDS_MV_SMALL 494
#define IDS_MV_MEDIUM 495
#define IDS_MV_LARGE 496
#define IDS_MV_AUTOMATIC 497
#define IDS_MV_RED 498
#define IDS_MV_GREEN 499
#define IDS_MV_BLUE 500
#define IDS_MV_COLOUR 507
#define IDS_MV_SIZE 508
#define IDS_MV_MOVEHERE 509
#define IDB_MV_TYPE 429
#define IDB_MV_TYPE_MASK 430
#define IDM_MV_RED 382
#define IDM_MV_BLUE 383
#define IDM_MV_GREEN 384
#define IDM_MV_HELP 412
#define IDM_MV_SMALL 431
#define IDM_MV_MEDIUM 432
#define IDM_MV_LARGE 433
#define IDM_MV_AUTOMATIC 579
#define IDM_MV_MOVEHERE 603
#define IDM_MV_PROPERTIES 604

// System Access type pictures.
#define IDB_SA_TYPE 557
#define IDB_SA_TYPE_MASK 558

// MultiView's property sheet: tabs, the three pages and the sticky-program chooser.
#define IDC_MV_SHEET_TAB 517
#define IDS_MV_TAB_GENERAL 538
#define IDS_MV_TAB_HOTKEYS 539
#define IDS_MV_TAB_STICKY 540
#define IDD_MV_GENERAL 438
#define IDC_MV_COLUMNS_SPIN 434
#define IDC_MV_COLUMNS 435
#define IDC_MV_ROWS_SPIN 436
#define IDC_MV_ROWS 437
#define IDC_MV_FOLLOW 439
#define IDC_MV_COLOUR 598
#define IDC_MV_SIZE 599
#define IDC_MV_LABEL1 628
#define IDC_MV_LABEL2 629
#define IDD_MV_HOTKEYS 629
#define IDC_MV_HOTKEY_FIRST 630
#define IDD_MV_STICKY 646
#define IDC_MV_STICKY_LIST 647
#define IDC_MV_STICKY_ADD 648
#define IDC_MV_STICKY_REMOVE 649
#define IDD_MV_CHOOSE 619
#define IDC_MV_CHOOSE_LIST 620
#define IDM_SHEET_APPLY 323

// The printers bar's property sheet: buttons page and order page.
#define IDS_PB_TAB_GENERAL 461
#define IDS_PB_TAB_PRINTERS 626
#define IDS_PB_SMALLICONS 492
#define IDS_PB_LARGEICONS 493
#define IDD_PB_BUTTONS 484
#define IDC_PB_MAX_SPIN 361
#define IDC_PB_MAX 362
#define IDC_PB_STYLE 600
#define IDC_PB_NAMES 485
#define IDC_PB_LABEL_MAX 629
#define IDC_PB_LABEL_STYLE 628
#define IDD_PB_ORDER 687
#define IDC_PB_TREE 688
// The tree view's own window style for check pictures is not used: the state pictures come
// from bitmap 694.
#define IDB_PB_TREE 693
#define IDB_PB_STATES 694

// The System Access panel: the functions submenu, the actions' icons (the small form is the id
// + 6) and property page 559.
#define IDS_SA_FUNCTIONS 541
#define IDI_SA_SHUTDOWN 760
#define IDI_SA_RESTART 761
#define IDI_SA_DOSMODE 762
#define IDI_SA_LOGON 763
#define IDI_SA_RESOLUTION 764
#define IDI_SA_RESTARTWINDOWS 765
#define IDI_SA_SHUTDOWN_SMALL 766
#define IDI_SA_RESTART_SMALL 767
#define IDI_SA_DOSMODE_SMALL 768
#define IDI_SA_LOGON_SMALL 769
#define IDI_SA_RESOLUTION_SMALL 770
#define IDI_SA_RESTARTWINDOWS_SMALL 771
#define IDI_SA_PRINTSCREEN 773
#define IDI_SA_PRINTSCREEN_SMALL 779
#define IDI_SA_SCREENSAVER 790
#define IDI_SA_SCREENSAVER_SMALL 796
#define IDD_SA_PAGE 559
#define IDC_SA_SHUTDOWN 560
#define IDC_SA_RESTART 561
#define IDC_SA_RESTARTWINDOWS 562
#define IDC_SA_DOSMODE 563
#define IDC_SA_LOGON 564
#define IDC_SA_RESOLUTION 565
#define IDC_SA_PRINTSCREEN 573
#define IDC_SA_SCREENSAVER 590
#define IDC_SA_STYLE 600
#define IDC_SA_STYLE_LABEL 628
#define IDC_SA_CONFIRM 652
