# shellcheck shell=bash
# The control panel's positions in the start-up window (600 x 500, at the
# origin): the controls' centres as ImGui lays them out in the 200 pixel
# strip with its default font, for clicks. Source it; a script whose window
# is wider adds the difference to the x of what it clicks.
#
# A row added to the panel moves every control below it by its height: the
# row's constant goes into the y of those controls here, and nowhere else.
# seed_row: the "Seed" field and "New seed", directly below "Inverse";
# aspect_row: "Keep aspect", below "Export size:"; view_row: "View as:" and
# its field, below that; copy_row: "Copy", "Paste" and "Examples", below
# "Undo", "Redo" and "Layers".
seed_row=23
aspect_row=23
view_row=23
copy_row=23

change_base=(500 31)
inverse_box=(418 55)
seed_field=(465 78)
new_seed_button=(556 78)
variable_list=(500 $((117 + seed_row)))
value_field=(525 $((140 + seed_row)))
value_text_box=110x15+459+$((133 + seed_row))   # the "Value: " field's text, to crop
layer_types=(550 $((163 + seed_row)))
type_item_squares=(540 $((202 + seed_row)))
type_item_circles=(540 $((219 + seed_row)))
type_item_noise=(540 $((185 + seed_row))) type_item_blend=(540 $((270 + seed_row)))
type_item_warp=(540 $((287 + seed_row)))
type_item_combine=(540 $((338 + seed_row)))
variable_item_third=(500 $((173 + seed_row)))   # in the open "Select variable: " list
assign_input=(500 $((187 + seed_row)))
remove_input=(500 $((210 + seed_row)))
edit_input=(500 $((233 + seed_row)))
go_to_parent=(500 $((261 + seed_row)))
load_button=(500 $((289 + seed_row)))
save_button=(500 $((312 + seed_row)))
export_button=(450 $((335 + seed_row)))
seamless_box=(512 $((335 + seed_row)))
export_size_field=(550 $((358 + seed_row)))
keep_aspect_box=(414 $((358 + seed_row + aspect_row)))
undo_button=(436 $((381 + seed_row + aspect_row + view_row)))
redo_button=(500 $((381 + seed_row + aspect_row + view_row)))
layers_button=(564 $((381 + seed_row + aspect_row + view_row)))
copy_button=(436 $((404 + seed_row + aspect_row + view_row)))
paste_button=(500 $((404 + seed_row + aspect_row + view_row)))
examples_button=(564 $((404 + seed_row + aspect_row + view_row)))
path_first_step=(490 $((401 + seed_row + aspect_row + view_row + copy_row)))
