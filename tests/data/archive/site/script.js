document.title = "scripts stay in the archive";
